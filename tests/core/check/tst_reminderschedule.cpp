#include "boxes/nhttpd/RequestTarget.h"
#include "check/ReminderSchedule.h"

#include <QTest>

#include <ctime>

namespace {

ReminderSchedule::Lists lists(const QStringList &daily, const QStringList &weekly, const QStringList &dated)
{
    ReminderSchedule::Lists l;
    for (const QString &r : daily)
        l[int(ReminderListKind::Daily)].append(ReminderRecord::daily(r));
    for (const QString &r : weekly)
        l[int(ReminderListKind::Weekly)].append(ReminderRecord::weekly(r));
    for (const QString &r : dated)
        l[int(ReminderListKind::Dated)].append(ReminderRecord::dated(r));
    return l;
}

// "dd.MM.yyyy HH:mm:ss +hh:mm <text>" per due reminder.
QStringList describe(const QList<DueReminder> &due)
{
    QStringList s;
    for (const DueReminder &d : due) {
        const int offsetMin = d.at.offsetFromUtc() / 60;
        s << d.at.toString("dd.MM.yyyy HH:mm:ss")
                + QStringLiteral(" +%1:00 ").arg(offsetMin / 60, 2, 10, QLatin1Char('0')) + d.record.text().trimmed();
    }
    return s;
}

QDateTime local(int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

} // namespace

class TestReminderSchedule : public QObject
{
    Q_OBJECT
private slots:
    void nextDue_data();
    void nextDue();
    void fileOrderWithinOneMinute();
    void messageAsTheClockComposesIt();
    void nothingDue();
    void farDatedRecordIsFound();
};

void TestReminderSchedule::nextDue_data()
{
    QTest::addColumn<QStringList>("daily");
    QTest::addColumn<QStringList>("weekly");
    QTest::addColumn<QStringList>("dated");
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("around midnight")
        << QStringList{"23:59 23:59 p 2 spaet", "00:00 00:00 p 2 null"} << QStringList{"di 00:01 00:01 p 2 dienstag"}
        << QStringList{"08-12-2026 00:00 00:00 p 2 termin"} << local(2026, 12, 7, 23, 58, 30) << 5
        << QStringList{"07.12.2026 23:59:00 +01:00 spaet", "08.12.2026 00:00:00 +01:00 null",
                       "08.12.2026 00:00:40 +01:00 termin", "08.12.2026 00:01:20 +01:00 dienstag",
                       "08.12.2026 23:59:00 +01:00 spaet"};
    QTest::newRow("year end")
        << QStringList{"00:00 00:00 p 2 neujahr"} << QStringList{"fr 00:00 00:00 p 2 freitag"}
        << QStringList{"31-12-2026 ??:59 00:00 p 2 silvester", "01-01-2027 00:00 00:00 p 2 prosit"}
        << local(2026, 12, 31, 22, 0) << 5
        << QStringList{"31.12.2026 22:59:40 +01:00 silvester", "31.12.2026 23:59:40 +01:00 silvester",
                       "01.01.2027 00:00:00 +01:00 neujahr", "01.01.2027 00:00:20 +01:00 freitag",
                       "01.01.2027 00:00:40 +01:00 prosit"};
    QTest::newRow("a second late misses the minute")
        << QStringList{"07:25 07:30 p 2 a"} << QStringList{} << QStringList{} << local(2026, 12, 7, 7, 25, 1) << 1
        << QStringList{"08.12.2026 07:25:00 +01:00 a"};
    QTest::newRow("due this very second") << QStringList{"07:25 07:30 p 2 a"} << QStringList{} << QStringList{}
                                          << local(2026, 12, 7, 7, 25, 0) << 1
                                          << QStringList{"07.12.2026 07:25:00 +01:00 a"};
    // 29 March 2026: clocks go from 02:00 to 03:00.
    QTest::newRow("spring change: 02:xx does not exist")
        << QStringList{"02:30 02:30 p 2 nachts", "03:00 03:00 p 2 drei"} << QStringList{"so 02:00 02:00 p 2 sonntag"}
        << QStringList{"29-03-2026 ??:30 00:00 p 2 halb", "29-03-2026 02:30 00:00 p 2 nie"}
        << local(2026, 3, 29, 0, 0) << 6
        << QStringList{"29.03.2026 00:30:40 +01:00 halb", "29.03.2026 01:30:40 +01:00 halb",
                       "29.03.2026 03:00:00 +02:00 drei", "29.03.2026 03:30:40 +02:00 halb",
                       "29.03.2026 04:30:40 +02:00 halb", "29.03.2026 05:30:40 +02:00 halb"};
    // 25 October 2026: 03:00 summer time goes back to 02:00; the hour repeats.
    QTest::newRow("autumn change: the repeated hour fires once")
        << QStringList{"02:30 02:30 p 2 nachts"} << QStringList{"so 02:00 02:00 p 2 sonntag"}
        << QStringList{"25-10-2026 ??:45 00:00 p 2 dreiviertel"} << local(2026, 10, 25, 1, 50) << 6
        << QStringList{"25.10.2026 02:00:20 +02:00 sonntag", "25.10.2026 02:30:00 +02:00 nachts",
                       "25.10.2026 02:45:40 +02:00 dreiviertel", "25.10.2026 03:45:40 +01:00 dreiviertel",
                       "25.10.2026 04:45:40 +01:00 dreiviertel", "25.10.2026 05:45:40 +01:00 dreiviertel"};
    QTest::newRow("autumn change: from inside the second pass, nothing again")
        << QStringList{"02:30 02:30 p 2 nachts"} << QStringList{} << QStringList{}
        << QDateTime(QDate(2026, 10, 25), QTime(1, 10), Qt::UTC).toLocalTime() << 1
        << QStringList{"26.10.2026 02:30:00 +01:00 nachts"};
    QTest::newRow("weekly codes and groups")
        << QStringList{} << QStringList{"ss 08:00 08:00 p 2 wochenende", "mf 08:00 08:00 p 2 werktag",
                                        "so 08:00 08:00 p 2 sonntag", "Mo 08:00 08:00 p 2 nie"}
        << QStringList{} << local(2026, 12, 5, 0, 0) << 5
        << QStringList{"05.12.2026 08:00:20 +01:00 wochenende", "06.12.2026 08:00:20 +01:00 wochenende",
                       "06.12.2026 08:00:20 +01:00 sonntag", "07.12.2026 08:00:20 +01:00 werktag",
                       "08.12.2026 08:00:20 +01:00 werktag"};
}

void TestReminderSchedule::nextDue()
{
    QFETCH(QStringList, daily);
    QFETCH(QStringList, weekly);
    QFETCH(QStringList, dated);
    QFETCH(QDateTime, from);
    QFETCH(int, count);
    QFETCH(QStringList, expected);
    QCOMPARE(describe(ReminderSchedule::next(lists(daily, weekly, dated), from, count)), expected);
}

void TestReminderSchedule::fileOrderWithinOneMinute()
{
    const auto due = ReminderSchedule::next(
        lists({"07:25 07:30 p 3 erster", "07:24 07:30 p 2 vorher", "07:25 07:30 m 1 zweiter"}, {}, {}),
        local(2026, 12, 7, 7, 24, 30), 2);
    QCOMPARE(describe(due), (QStringList{"07.12.2026 07:25:00 +01:00 erster", "07.12.2026 07:25:00 +01:00 zweiter"}));
    QCOMPARE(due.at(0).record.line(), 0);
    QCOMPARE(due.at(0).reminder.box, 3);
    QCOMPARE(due.at(1).reminder.box, 1);
    QCOMPARE(due.at(1).reminder.message.kind, MessageKind::Message);
}

void TestReminderSchedule::messageAsTheClockComposesIt()
{
    const auto due = ReminderSchedule::next(lists({}, {}, {"24-12-2026 ??:00 18:30 p 3 Bescherung"}),
                                            local(2026, 12, 24, 18, 30), 1);
    QCOMPARE(due.size(), 1);
    QCOMPARE(RequestTarget::document(due.first().reminder.message),
             "/control/message?popup=Es ist der 24-12-2026 19:00 Uhr !%0A" + QString(62, '-') + "%0A%0A18:30 Uhr "
             " Bescherung");
}

void TestReminderSchedule::nothingDue()
{
    QVERIFY(ReminderSchedule::next(lists({"7:25 07:30 p 2 a"}, {"xx 07:25 07:30 p 2 a"},
                                         {"24-12-2025 18:00 18:30 p 3 x"}),
                                   local(2026, 12, 7, 8, 0), 10)
                .isEmpty());
    QVERIFY(ReminderSchedule::next(lists({"07:25 07:30 p 2 a"}, {}, {}), QDateTime(), 10).isEmpty());
}

// A dated record years ahead is found without walking every day between.
void TestReminderSchedule::farDatedRecordIsFound()
{
    const auto due = ReminderSchedule::next(lists({}, {}, {"01-01-2100 12:00 12:00 p 2 fern"}),
                                            local(2026, 12, 7, 8, 0), 10);
    QCOMPARE(describe(due), QStringList{"01.01.2100 12:00:40 +01:00 fern"});
}

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestReminderSchedule test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reminderschedule.moc"
