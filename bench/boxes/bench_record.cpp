// The delivery record after 100,000 messages: each a reminder-sized text
// with a 40-character first line, handed to the sender for a box that is
// not configured, so that each one ends in the next turn of the event loop. Prints the entries kept
// and the resident memory after 500, 10,000 and 100,000 messages: beyond
// the record's capacity it must stay flat.
#include "FakeClock.h"
#include "ProcessMemory.h"
#include "boxes/DeliveryRecord.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("zelvo.send.warning=false")); // one refusal line, not the point here
    FakeClock clock(QDateTime(QDate(2026, 12, 7), QTime(7, 25, 0)));
    TempFolder folder;
    BoxListSource boxList(folder.dir());
    DeliveryRecord record(clock);
    BoxSender sender(&boxList, BoxSender::Options());
    sender.keepRecordIn(&record);

    const QString rest = QStringLiteral("\n") + QString(62, QLatin1Char('-')) + QStringLiteral("\n\n")
                         + QString(200, QLatin1Char('x'));
    const qint64 startKiB = processStatusKiB("VmRSS");
    QElapsedTimer timer;
    timer.start();
    int status = 0;
    qint64 at10k = 0;
    for (int n = 1; n <= 100000; ++n) {
        const QString first = QStringLiteral("07:30 Erinnerung Nummer %1 ").arg(n, 6, 10, QLatin1Char('0')).leftJustified(40, QLatin1Char('.'));
        sender.sendTo(QStringLiteral("0.0.0.0"), {MessageKind::Popup, first + rest}, {MessageSource::Reminder, 1 + n % 4});
        if (n % 100 == 0) // as the program's event loop turns between reminders
            QCoreApplication::processEvents();
        if (n == 500 || n == 10000 || n == 100000) {
            const qint64 kib = processStatusKiB("VmRSS");
            if (n == 10000)
                at10k = kib;
            std::printf("after %6d messages: %zu entries kept, resident %lld KiB (+%lld KiB since start)\n", n,
                        record.entries().size(), static_cast<long long>(kib), static_cast<long long>(kib - startKiB));
        }
    }
    const qint64 endKiB = processStatusKiB("VmRSS");
    std::printf("100,000 messages in %.0f ms; growth from 10,000 to 100,000 messages: %lld KiB\n",
                timer.nsecsElapsed() / 1e6, static_cast<long long>(endKiB - at10k));
    if (int(record.entries().size()) != record.capacity()) {
        std::fprintf(stderr, "the record holds %zu entries, not %d\n", record.entries().size(), record.capacity());
        status = 1;
    }
    if (endKiB - at10k > 2048) {
        std::fprintf(stderr, "memory grew by %lld KiB after the record was full\n", static_cast<long long>(endKiB - at10k));
        status = 1;
    }
    return status;
}
