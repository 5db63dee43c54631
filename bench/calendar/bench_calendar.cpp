// Parsing and expanding a calendar at the limits (just under 5 MB, 20,000
// events) the way the table does it, from the file; what the clock's check
// costs with ten such calendars; and, as root in a private network, how late
// a calendar's reminder is on the wire after its due second: the headless
// service with one timing box, ZELVO_BENCH_REMINDERS of them (20 unless
// set), one every 3 s.
#include "FirstByteServer.h"
#include "PrivateBench.h"
#include "ProcessMemory.h"
#include "TempFolder.h"
#include "ZelvoProcess.h"
#include "calendar/CalendarExpansion.h"
#include "calendar/CalendarTable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace {

// A content line folded at 75 octets, as exporters write them.
QByteArray folded(const QByteArray &line)
{
    QByteArray out = line.left(75);
    for (qsizetype at = 75; at < line.size(); at += 74)
        out += "\r\n " + line.mid(at, 74);
    return out + "\r\n";
}

// 20,000 events, every tenth twice a week with an alarm, each with a
// description that brings the whole to just under 5 MB.
QByteArray bigCalendar()
{
    const int events = CalendarExpansion::kMaxEvents;
    QList<QByteArray> bodies;
    qsizetype size = 0;
    for (int i = 0; i < events; ++i) {
        const QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(8, 0)).addSecs(qint64(i) * 1800);
        QByteArray e = "BEGIN:VEVENT\r\nUID:" + QByteArray::number(i) + "@bench\r\nDTSTAMP:20260101T000000Z\r\n"
            "DTSTART;TZID=Europe/Berlin:" + start.toString("yyyyMMdd'T'HHmmss").toLatin1() + "\r\nSUMMARY:Termin "
            + QByteArray::number(i) + "\r\n";
        if (i % 10 == 0)
            e += "RRULE:FREQ=WEEKLY;BYDAY=MO,WE\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n";
        size += e.size();
        bodies << e;
    }
    const QByteArray head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//DE\r\n";
    const QByteArray tail = "END:VCALENDAR\r\n";
    const qint64 target = CalendarExpansion::kMaxBytes - 4096;
    // "DESCRIPTION:" and its line end, "END:VEVENT\r\n", a fold (3 octets) per 74.
    const qint64 perEvent = (target - head.size() - tail.size() - size) / events - 14 - 12;
    const int pad = int(perEvent * 74 / 77);
    QByteArray text = head;
    text.reserve(target);
    for (const QByteArray &e : std::as_const(bodies))
        text += e + folded("DESCRIPTION:" + QByteArray(pad, 'x')) + "END:VEVENT\r\n";
    return text + tail;
}

// The peak resident size counts from here (Linux: writing 5 to clear_refs).
void resetPeak()
{
    QFile refs("/proc/self/clear_refs");
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

void measureWireDelay(int count)
{
    FirstByteServer box;
    if (!box.listen("127.0.0.2", 80)) {
        std::printf("calendar reminder to wire: skipped, 127.0.0.2 port 80 cannot be had\n");
        return;
    }
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    // Far enough ahead for the start and the first table.
    const QDateTime first = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 10);
    QByteArray ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//DE\r\n";
    QList<QByteArray> markers;
    QList<qint64> dueMs;
    for (int i = 0; i < count; ++i) {
        const QDateTime due = first.addSecs(3 * i);
        markers << "Messung" + QByteArray::number(i).rightJustified(2, '0');
        dueMs << due.toMSecsSinceEpoch();
        ics += "BEGIN:VEVENT\r\nUID:" + markers.last() + "\r\nDTSTART:"
            + due.toString("yyyyMMdd'T'HHmmss").toLatin1() + "\r\nSUMMARY:" + markers.last() + "\r\nEND:VEVENT\r\n";
    }
    folder.write("messung.ics", ics + "END:VCALENDAR\r\n");
    std::printf("calendar reminder to wire, headless, one box answering, %d reminders from %s on, one every 3 s ...\n",
                count, qPrintable(first.toString("HH:mm:ss")));
    std::fflush(stdout);
    QProcess *zelvo = ZelvoProcess::start(QStringLiteral(ZELVO_BINARY), {"--headless"}, {}, folder.dir(), QString(),
                                          folder.path("zelvo.log"));
    if (!box.reportDelays(markers, dueMs, dueMs.last() + 15000))
        std::printf("  zelvo's log: %s\n", qPrintable(folder.path("zelvo.log")));
    ZelvoProcess::stop(zelvo);
}

} // namespace

int main(int argc, char **argv)
{
    const QString whyNoNamespace = PrivateBench::enter();
    QCoreApplication app(argc, argv);
    const qint64 now = QDateTime(QDate(2026, 5, 4), QTime(12, 0)).toSecsSinceEpoch();
    TempFolder one;
    qint64 fileSize = 0;
    {
        const QByteArray ics = bigCalendar();
        fileSize = ics.size();
        one.write("gross.ics", ics);
    }

    resetPeak();
    const qint64 before = processStatusKiB("VmRSS");
    QElapsedTimer t;
    t.start();
    QStringList problems;
    const QList<CalendarReminder> r = CalendarTable::expandAll(one.dir(), now, now + CalendarTable::kAheadSecs, &problems);
    const qint64 ms = t.elapsed();
    const qint64 peak = processStatusKiB("VmHWM") - before;
    std::printf("parse+expand from the file, %.2f MB, %d events, %lld reminders: %lld ms (goal <= 1000), peak +%lld KiB "
                "= %.1fx the file (goal <= 5)%s\n",
                fileSize / 1048576.0, CalendarExpansion::kMaxEvents, qint64(r.size()), ms, peak,
                peak * 1024.0 / fileSize, problems.isEmpty() ? "" : qPrintable(" PROBLEMS " + problems.join("; ")));

    TempFolder folder;
    const QByteArray ics = one.read("gross.ics");
    for (int i = 0; i < 10; ++i)
        folder.write(QStringLiteral("k%1.ics").arg(i), ics);
    ZelvoSettings settings(folder.dir());
    CalendarTable table(folder.dir(), &settings);
    t.restart();
    table.poll(now);
    table.finishWork();
    std::printf("ten calendars: the table made in %lld ms (on its own thread)\n", t.elapsed());
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

    PrivateBench place;
    if (const QString why = place.setUp(whyNoNamespace); !why.isEmpty()) {
        std::printf("calendar reminder to wire: skipped, %s\n", qPrintable(why));
        return 0;
    }
    const int reminders = qEnvironmentVariableIsSet("ZELVO_BENCH_REMINDERS")
        ? std::clamp(qEnvironmentVariableIntValue("ZELVO_BENCH_REMINDERS"), 1, 99)
        : 20;
    measureWireDelay(reminders);
    return 0;
}
