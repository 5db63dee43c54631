#include "FakeClock.h"
#include "ProcessMemory.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "common/Clock.h"
#include "common/StatusBoard.h"
#include "reminders/ReminderClock.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTest>

#include <malloc.h>

#include <algorithm>
#include <vector>

namespace {

qint64 heapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64((info.uordblks + info.hblkhd) / 1024);
}

qint64 residentKiB()
{
    return processStatusKiB("VmRSS");
}

// A dated list of 10,000 records of which exactly one fires on
// 24 December 2026 at 18:00.
QByteArray datedList()
{
    QByteArray list;
    for (int i = 0; i < 10000; ++i) {
        const int day = 1 + i % 28;
        const int hour = i % 24;
        QByteArray rec = QString::asprintf("%02d-%02d-2027 %02d:%02d %02d:%02d p %d Termin Nummer %d mit etwas Text\r\n",
                                              day, 1 + i % 12, hour, i % 60, hour, i % 60, 1 + i % 4, i).toLatin1();
        if (i == 7777)
            rec = "24-12-2026 18:00 18:30 p 3 Bescherung im Wohnzimmer\r\n";
        list += rec;
    }
    return list;
}

} // namespace

class BenchReminders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void datedListCheckMedian();
    void datedListCheck();
    void memoryOverManyChecks();

private:
    TempFolder m_folder;
    FakeClock m_clock{QDateTime(QDate(2026, 12, 24), QTime(18, 0, 40))};
    // Box 3 is unconfigured, so the one match is handed over and dropped
    // without a network round trip: the check itself is what is measured.
    StatusBoard m_display;
    BoxListSource m_boxList{m_folder.dir()};
    BoxSender m_sender{&m_boxList, {9, 1000}};
};

void BenchReminders::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("zelvo.*=false"));
    m_folder.write("boxip.ini", "0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    m_folder.write("zlv-term.txt", datedList());
}

// One check: read the box list, read and parse the list, match every
// record, send the one that fires.
void BenchReminders::datedListCheckMedian()
{
    ReminderClock clock(m_clock, m_folder.dir(), &m_sender, &m_display);
    QCOMPARE(clock.checkList(ReminderListKind::Dated, m_clock.now()), 1);

    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < 101; ++i) {
        t.start();
        clock.checkList(ReminderListKind::Dated, m_clock.now());
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    printf("dated list of 10000 records, one match: median %.2f ms, min %.2f ms, max %.2f ms (goal: median <= 5 ms)\n",
           ms[ms.size() / 2], ms.front(), ms.back());
}

void BenchReminders::datedListCheck()
{
    ReminderClock clock(m_clock, m_folder.dir(), &m_sender, &m_display);
    QBENCHMARK {
        clock.checkList(ReminderListKind::Dated, m_clock.now());
    }
}

// RSS can step up once while the allocator settles on its heap layout, so
// the figure that must not grow is the heap in use; RSS is printed along.
void BenchReminders::memoryOverManyChecks()
{
    ReminderClock clock(m_clock, m_folder.dir(), &m_sender, &m_display);
    const qint64 rssAtStart = residentKiB();
    // Between two checks the program's event loop runs: each check's message
    // ends there and its handle goes.
    const auto check = [&] {
        clock.checkList(ReminderListKind::Dated, m_clock.now());
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    for (int i = 0; i < 1000; ++i)
        check();
    const qint64 rssBefore = residentKiB();
    const qint64 heapBefore = heapInUseKiB();
    QList<qint64> rssSeries;
    for (int i = 1; i <= 10000; ++i) {
        check();
        if (i % 2000 == 0)
            rssSeries << residentKiB();
    }
    const qint64 rssAfter = residentKiB();
    const qint64 heapAfter = heapInUseKiB();
    QStringList series;
    for (qint64 kib : rssSeries)
        series << QString::number(kib);
    printf("RSS: %lld KiB at start, %lld KiB after 1000 warm-up checks, every 2000 checks: %s KiB; "
           "growth over 10000 checks %lld KiB\n",
           rssAtStart, rssBefore, qPrintable(series.join(QLatin1Char(' '))), rssAfter - rssBefore);
    printf("heap in use: %lld KiB before, %lld KiB after 10000 checks (growth %lld KiB)\n", heapBefore, heapAfter,
           heapAfter - heapBefore);
    QVERIFY2(heapAfter - heapBefore < 64, "heap in use grows with the number of checks");
    QVERIFY2(rssAfter - rssBefore < 2048, "resident memory grows with the number of checks");
}

QTEST_GUILESS_MAIN(BenchReminders)
#include "bench_reminders.moc"
