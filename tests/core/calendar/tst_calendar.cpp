#include "FakeBoxSender.h"
#include "FakeClock.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/PanelFollower.h"
#include "calendar/CalendarExpansion.h"
#include "calendar/CalendarTable.h"
#include "common/StatusBoard.h"
#include "reminders/ReminderClock.h"

#include <QTest>
#include <QTimeZone>

namespace {

QByteArray calendar(const QByteArray &body)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//DE\r\n" + body + "END:VCALENDAR\r\n";
}

QByteArray vevent(const QByteArray &lines)
{
    return "BEGIN:VEVENT\r\n" + lines + "END:VEVENT\r\n";
}

const QByteArray kAlarm30 = "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT30M\r\nEND:VALARM\r\n";

// "2026-03-02T08:30:00Z|10:00 Chor": the instant in UTC, what the box shows.
QStringList shown(const QList<CalendarReminder> &reminders)
{
    QStringList lines;
    for (const CalendarReminder &r : reminders)
        lines << QDateTime::fromSecsSinceEpoch(r.due, QTimeZone::utc()).toString("yyyy-MM-ddTHH:mm:ssZ") + "|"
                + r.message.text;
    return lines;
}

// A row: the calendar's events, the window of days from local midnight
// (TZ=Europe/Berlin), the reminders and the one problem it brings.
void row(const char *name, const QByteArray &body, const char *from, int days, const QStringList &expected,
         const QString &problem = QString(), int lead = 0)
{
    QTest::newRow(name) << body << QString(from) << days << lead << expected << problem;
}

} // namespace

class TestCalendar : public QObject
{
    Q_OBJECT
private slots:
    void expansion_data();
    void expansion();
    void clockSendsEachOnceBesideTheLists();
};

void TestCalendar::expansion_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("lead");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("problem");

    row("weekly, alarm 30 min before, EXDATE, moved, cancelled, across spring DST",
        vevent("UID:w1\r\nDTSTART;TZID=Europe/Berlin:20260302T100000\r\nDTEND;TZID=Europe/Berlin:20260302T110000\r\n"
               "RRULE:FREQ=WEEKLY;COUNT=5\r\nEXDATE;TZID=Europe/Berlin:20260309T100000\r\nSUMMARY:Chor\r\n" + kAlarm30)
            + vevent("UID:w1\r\nRECURRENCE-ID;TZID=Europe/Berlin:20260316T100000\r\n"
                     "DTSTART;TZID=Europe/Berlin:20260316T110000\r\nSUMMARY:Chor verlegt\r\n" + kAlarm30)
            + vevent("UID:w1\r\nRECURRENCE-ID;TZID=Europe/Berlin:20260323T100000\r\n"
                     "DTSTART;TZID=Europe/Berlin:20260323T100000\r\nSTATUS:CANCELLED\r\nSUMMARY:Chor\r\n"),
        "2026-03-01", 60,
        {"2026-03-02T08:30:00Z|10:00 Chor", "2026-03-16T09:30:00Z|11:00 Chor verlegt", "2026-03-30T07:30:00Z|10:00 Chor"});
    row("UNTIL in UTC includes its own occurrence",
        vevent("UID:u\r\nDTSTART;TZID=Europe/Berlin:20260301T100000\r\nRRULE:FREQ=DAILY;UNTIL=20260303T090000Z\r\n"
               "SUMMARY:Müll\r\n"),
        "2026-02-01", 59,
        {"2026-03-01T09:00:00Z|10:00 Müll", "2026-03-02T09:00:00Z|10:00 Müll", "2026-03-03T09:00:00Z|10:00 Müll"});
    row("all-day birthday on 29 February, lead time",
        vevent("UID:b\r\nDTSTART;VALUE=DATE:20240229\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Geburtstag Lea\r\n"), "2027-01-01",
        731, {"2028-02-29T06:50:00Z|Geburtstag Lea"}, QString(), 10);
    row("alarm relative to the end, absolute alarm",
        vevent("UID:e\r\nDTSTART;TZID=Europe/Berlin:20260410T180000\r\nDTEND;TZID=Europe/Berlin:20260410T200000\r\n"
               "SUMMARY:Film\r\nBEGIN:VALARM\r\nACTION:AUDIO\r\nTRIGGER;RELATED=END:-PT15M\r\nEND:VALARM\r\n"
               "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;VALUE=DATE-TIME:20260409T170000Z\r\nEND:VALARM\r\n"),
        "2026-04-01", 29, {"2026-04-09T17:00:00Z|18:00 Film", "2026-04-10T17:45:00Z|18:00 Film"});
    row("floating and UTC times",
        vevent("UID:f\r\nDTSTART:20260501T073000\r\nSUMMARY:Frühstück\r\n")
            + vevent("UID:z\r\nDTSTART:20260501T073000Z\r\nSUMMARY:Anruf\r\n"),
        "2026-05-01", 1, {"2026-05-01T05:25:00Z|07:30 Frühstück", "2026-05-01T07:25:00Z|09:30 Anruf"}, QString(), 5);
    row("02:30 on the spring day goes once at 03:30",
        vevent("UID:s\r\nDTSTART;TZID=Europe/Berlin:20260328T023000\r\nRRULE:FREQ=DAILY;COUNT=3\r\nSUMMARY:Nacht\r\n"),
        "2026-03-27", 5,
        {"2026-03-28T01:30:00Z|02:30 Nacht", "2026-03-29T01:30:00Z|03:30 Nacht", "2026-03-30T00:30:00Z|02:30 Nacht"});
    row("02:30 on the autumn day goes once, at its first occurrence",
        vevent("UID:a\r\nDTSTART;TZID=Europe/Berlin:20261024T023000\r\nRRULE:FREQ=DAILY;COUNT=3\r\nSUMMARY:Nacht\r\n"),
        "2026-10-23", 5,
        {"2026-10-24T00:30:00Z|02:30 Nacht", "2026-10-25T00:30:00Z|02:30 Nacht", "2026-10-26T01:30:00Z|02:30 Nacht"});
    row("own VTIMEZONE, RDATE",
        "BEGIN:VTIMEZONE\r\nTZID:Mitteleuropa\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\n"
        "BEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
        "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
            + vevent("UID:v\r\nDTSTART;TZID=Mitteleuropa:20260701T120000\r\n"
                     "RDATE;TZID=Mitteleuropa:20261201T120000\r\nSUMMARY:Mittag\r\n"),
        "2026-06-01", 214, {"2026-07-01T10:00:00Z|12:00 Mittag", "2026-12-01T11:00:00Z|12:00 Mittag"});
    row("every second refused by name, the rest goes on",
        vevent("UID:x\r\nDTSTART:20260501T000000Z\r\nRRULE:FREQ=SECONDLY\r\nSUMMARY:Sturm\r\n")
            + vevent("UID:y\r\nDTSTART:20260501T100000Z\r\nSUMMARY:Ruhe\r\n"),
        "2026-05-01", 1, {"2026-05-01T10:00:00Z|12:00 Ruhe"},
        "Termin „Sturm“ wiederholt sich öfter als 1440-mal am Tag und wird übergangen");
    row("a line that is none is left out, named by its event's line",
        vevent("UID:k\r\nDTSTART:20260501T100000Z\r\nSUMMARY:Gut\r\n")
            + vevent("UID:l\r\nDTSTART:20260501T110000Z\r\nkeine Eigenschaft\r\nSUMMARY:Lesbar\r\n"),
        "2026-05-01", 1, {"2026-05-01T10:00:00Z|12:00 Gut", "2026-05-01T11:00:00Z|13:00 Lesbar"},
        "1 Zeile nicht lesbar und übergangen (im Abschnitt ab Zeile 9)");
    row("unknown time zone is local",
        vevent("UID:q\r\nDTSTART;TZID=Mars/Olympus:20260501T100000\r\nSUMMARY:Rover\r\n"), "2026-05-01", 1,
        {"2026-05-01T08:00:00Z|10:00 Rover"}, "unbekannte Zeitzone „Mars/Olympus“: gilt als Ortszeit");
}

void TestCalendar::expansion()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, from);
    QFETCH(int, days);
    QFETCH(int, lead);
    QFETCH(QStringList, expected);
    QFETCH(QString, problem);

    CalendarSource source;
    source.leadMinutes = lead;
    const QDateTime start(QDate::fromString(from, Qt::ISODate), QTime(0, 0));
    const CalendarExpansion::Result result = CalendarExpansion::expand(
        calendar(body), source, start.toSecsSinceEpoch(), start.addDays(days).toSecsSinceEpoch());
    QVERIFY2(result.refused.isEmpty(), qPrintable(result.refused));
    QCOMPARE(shown(result.reminders), expected);
    QCOMPARE(result.problems, problem.isEmpty() ? QStringList() : QStringList{problem});
}

void TestCalendar::clockSendsEachOnceBesideTheLists()
{
    // A calendar and a list reminder due in the same second, a tick late,
    // the tick doubled and the clock set back: each goes once, to its box.
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    folder.write("zlv-tag.txt", "07:30 07:30 p 2 Muell rausbringen\r\n");
    folder.write("zelvo.ini", "[Kalender1]\r\nAdresse=familie.ics\r\nName=Familie\r\nBoxen=1\r\nArt=message\r\n");
    folder.write("familie.ics", calendar(vevent("UID:c\r\nDTSTART;TZID=Europe/Berlin:20260507T074500\r\n"
                                               "SUMMARY:Bus\r\nBEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n")));
    StatusBoard display;
    BoxListSource boxes(folder.dir());
    FakeBoxSender sender(&boxes);
    sender.panel()->showOn(&display);
    FakeClock time;
    ReminderClock clock(time, folder.dir(), &sender, &display);
    ZelvoSettings settings(folder.dir());
    CalendarTable table(folder.dir(), &settings);
    clock.useCalendars(&table);

    const QDateTime due = QDateTime::fromString("2026-05-07T07:30:00", Qt::ISODate);
    time.set(due.addSecs(-5));
    clock.tick();
    table.finishWork();
    for (const int late : {2, 3, 3, -30, 1}) // after the due second, again, set back, on
        time.set(due.addSecs(late)), clock.tick();

    QCOMPARE(sender.sent.size(), 2);
    QStringList got;
    for (const FakeBoxSender::Sent &s : sender.sent)
        got << s.address + "|" + (s.message.kind == MessageKind::Popup ? "p|" : "m|") + s.message.text.section('\n', -1)
                + "|" + s.origin.sourceName;
    got.sort();
    QCOMPARE(got, (QStringList{"127.0.0.2|m|07:45 Bus|Familie", "127.0.0.3|p|07:30 Uhr Muell rausbringen|"}));
}

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Berlin");
    QCoreApplication app(argc, argv);
    TestCalendar test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_calendar.moc"
