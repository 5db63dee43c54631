// Parsing and expanding a calendar at the limits (5 MB, 20,000 events), and
// what the clock's check costs with ten such calendars.
#include "ProcessMemory.h"
#include "TempFolder.h"
#include "calendar/CalendarExpansion.h"
#include "calendar/CalendarTable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>

#include <cstdio>

namespace {

// 20,000 events, every tenth weekly with an alarm, padded to just under 5 MB.
QByteArray bigCalendar()
{
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//DE\r\n";
    const int events = CalendarExpansion::kMaxEvents;
    const int pad = int((CalendarExpansion::kMaxBytes - 64) / events) - 230;
    for (int i = 0; i < events; ++i) {
        const QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(8, 0)).addSecs(qint64(i) * 1800);
        text += "BEGIN:VEVENT\r\nUID:" + QByteArray::number(i) + "@bench\r\nDTSTART;TZID=Europe/Berlin:"
            + start.toString("yyyyMMdd'T'HHmmss").toLatin1() + "\r\nSUMMARY:Termin " + QByteArray::number(i)
            + "\r\nDESCRIPTION:" + QByteArray(qMax(1, pad), 'x') + "\r\n";
        if (i % 10 == 0)
            text += "RRULE:FREQ=WEEKLY;BYDAY=MO,WE\r\nBEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n";
        text += "END:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray ics = bigCalendar();
    const qint64 now = QDateTime(QDate(2026, 5, 4), QTime(12, 0)).toSecsSinceEpoch();
    CalendarSource source;
    source.name = "bench";

    const qint64 before = processStatusKiB("VmRSS");
    QElapsedTimer t;
    t.start();
    const CalendarExpansion::Result r = CalendarExpansion::expand(ics, source, now, now + CalendarTable::kAheadSecs);
    const qint64 ms = t.elapsed();
    const qint64 peak = processStatusKiB("VmHWM") - before;
    std::printf("parse+expand %.1f MB, %d events, %lld reminders: %lld ms (goal <= 1000), peak +%lld KiB = %.1fx "
                "the file (goal <= 5)%s\n",
                ics.size() / 1048576.0, r.events, qint64(r.reminders.size()), ms, peak,
                peak * 1024.0 / ics.size(), r.refused.isEmpty() ? "" : qPrintable(" REFUSED " + r.refused));

    TempFolder folder;
    for (int i = 0; i < 10; ++i)
        folder.write(QStringLiteral("k%1.ics").arg(i), ics);
    CalendarTable table(folder.dir());
    table.poll(now);
    table.finishWork();
    const int checks = 100000;
    int due = 0;
    t.restart();
    for (int s = 0; s < checks; ++s) {
        table.poll(now + s);
        due += int(table.takeDue(now + s).size());
    }
    const double perCheckUs = t.nsecsElapsed() / 1000.0 / checks;
    std::printf("ten calendars: one check (poll + due lookup) %.2f us (goal <= 1000 us), %d reminders due\n",
                perCheckUs, due);
    return 0;
}
