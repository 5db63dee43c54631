#include "FakeBoxSender.h"
#include "FakeClock.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/PanelFollower.h"
#include "check/ListChangeWarner.h"
#include "common/Clock.h"
#include "common/TextFile.h"
#include "common/StatusBoard.h"
#include "reminders/ReminderClock.h"
#include "reminders/ReminderListFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTimeZone>

#include <array>
#include <ctime>
#include <functional>
#include <memory>
#include <sys/stat.h>

namespace {

const QByteArray kRule = "%0A" + QByteArray(62, '-') + "%0A%0A";
// The same rule as the box reads it back.
const QString kRuleText = "\n" + QString(62, QLatin1Char('-')) + "\n\n";

QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

// Monday 7 December 2026.
QDateTime today(int h, int mi, int s, int ms = 0)
{
    return at(2026, 12, 7, h, mi, s, ms);
}

// The text the box gets back from a request target (the tests use ASCII).
QString decoded(const QByteArray &target)
{
    return QString::fromLatin1(QByteArray::fromPercentEncoding(target));
}

// Four boxes at 127.0.0.2 .. 127.0.0.5, one recording server each on one
// port, a box list naming them, the sender, the panel and the
// clock under test with a fake time.
struct Rig {
    TempFolder folder;
    std::array<std::unique_ptr<RecordingHttpServer>, 4> servers;
    quint16 port = 0;
    StatusBoard display;
    std::unique_ptr<BoxListSource> boxList;
    std::unique_ptr<BoxSender> sender;
    FakeClock time;
    ListChangeWarner warner; // as the engine wires it
    std::unique_ptr<ReminderClock> clock;

    Rig()
    {
        for (int attempt = 0; attempt < 20 && port == 0; ++attempt) {
            for (auto &s : servers)
                s = std::make_unique<RecordingHttpServer>();
            port = listenAll();
        }
        boxList = std::make_unique<BoxListSource>(folder.dir());
        sender = std::make_unique<BoxSender>(boxList.get(), BoxSender::Options{port, 5000});
        sender->panel()->showOn(&display);
        clock = std::make_unique<ReminderClock>(time, folder.dir(), sender.get(), &display);
        warner.listenTo(*clock);
        writeBoxes("127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5");
    }

    quint16 listenAll()
    {
        if (!servers[0]->listen(QHostAddress(QStringLiteral("127.0.0.2")), 0))
            return 0;
        const quint16 port = servers[0]->port();
        for (int i = 1; i < 4; ++i)
            if (!servers[i]->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(i + 2)), port))
                return 0;
        return port;
    }

    bool listening() const { return port != 0; }

    void writeBoxes(const QString &b1, const QString &b2, const QString &b3, const QString &b4)
    {
        folder.write("boxip.ini", QStringList{b1, b2, b3, b4, " 0 ", " 0 ", " 0 ", " 0 "}.join("\r\n").toUtf8() + "\r\n");
    }

    void tickAt(const QDateTime &t)
    {
        time.set(t);
        clock->tick();
    }

    // One tick per second from..to, both included.
    void tickEachSecond(const QDateTime &from, const QDateTime &to)
    {
        for (QDateTime t = from; t <= to; t = t.addSecs(1))
            tickAt(t);
    }

    RecordingHttpServer &box(int n) { return *servers.at(n - 1); }

    // Lets every started request reach its server.
    void settle()
    {
        QTRY_COMPARE_WITH_TIMEOUT(sender->pendingCount(), 0, 5000);
        QTest::qWait(50);
    }

    int totalRequests() const
    {
        int n = 0;
        for (const auto &s : servers)
            n += s->requests().size();
        return n;
    }
};

} // namespace

class TestReminderClock : public QObject
{
    Q_OBJECT
private slots:
    void roadOfOneReminder();
    void weeklyOnSunday();
    void datedWithWildcard();
    void twoRecordsOneMinuteBothSentInOrder();
    void missingListsSendNothing();
    void panelHidden_data();
    void panelHidden();
    void listEditedBetweenChecks();
    void lateTickCatchesUp();
    void lateTickRunsHideThenCheck();
    void ticksInOneSecondSendOnce();
    void clockSetBackDoesNotResend();
    void longGapRunsOnlyCurrentSecond();
    void firstTickDoesNotLookBack();
    void repeatedHourAtEndOfSummerTime();
    void springForwardStillChecksEveryMinute();
    void badLists_data();
    void badLists();
    void unreadableListReportedOnce();
    void mixedEncodingsSendTheSameText();
    void unchangedListIsNotReadAgain();
    void matchesHandedToTheSender_data();
    void matchesHandedToTheSender();
};

void TestReminderClock::roadOfOneReminder()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "07:25 07:30 p 2 Muell rausbringen\r\n");
    rig.tickAt(today(7, 24, 59));
    QCOMPARE(rig.totalRequests(), 0);
    rig.tickAt(today(7, 25, 0));
    QCOMPARE(rig.display.clockText(), QStringLiteral("07:25:00"));
    QVERIFY(rig.box(2).waitForRequests(1));
    QCOMPARE(rig.box(2).requests().at(0).requestLine,
             "GET /control/message?popup=Es%20ist%2007%3A25%20Uhr%21" + kRule
                 + "07%3A30%20Uhr%20Muell%20rausbringen HTTP/1.1");
    QVERIFY(rig.display.infoVisible());
    QCOMPARE(rig.display.infoText(), QStringLiteral("07:30 Muell rausbringen"));

    rig.tickEachSecond(today(7, 25, 1), today(7, 25, 18));
    QVERIFY(rig.display.infoVisible());
    rig.tickAt(today(7, 25, 19));
    QVERIFY(!rig.display.infoVisible());
    QCOMPARE(rig.display.infoText(), QString());
    QCOMPARE(rig.display.clockText(), QStringLiteral("07:25:19"));
    rig.settle();
    QCOMPARE(rig.totalRequests(), 1);
}

void TestReminderClock::weeklyOnSunday()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-woch.txt", "ss 08:00 08:30 p 3 Wochenende\n"
                                     "mf 08:00 08:30 p 3 Arbeitstag\n"
                                     "so 08:00 08:45 m 4 Sonntag\n");
    rig.tickAt(at(2026, 12, 13, 8, 0, 20));
    QVERIFY(rig.box(3).waitForRequests(1));
    QVERIFY(rig.box(4).waitForRequests(1));
    rig.settle();
    QCOMPARE(rig.totalRequests(), 2);
    QCOMPARE(decoded(rig.box(3).requests().at(0).target),
             "/control/message?popup=Es ist Sonntag 08:00 Uhr!" + kRuleText + "08:30 Uhr Wochenende");
    QCOMPARE(decoded(rig.box(4).requests().at(0).target),
             "/control/message?nmsg=Es ist Sonntag 08:00 Uhr!" + kRuleText + "08:45 Uhr Sonntag");
    QCOMPARE(rig.display.infoText(), QStringLiteral("08:45 Sonntag")); // the last match
}

void TestReminderClock::datedWithWildcard()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-term.txt", "24-12-2026 18:00 18:30 p 3 Bescherung\n"
                                     "24-12-2026 ??:00 --:-- m 2Stundenschlag\n"
                                     "25-12-2026 ??:00 --:-- m 4Morgen\n");
    rig.tickAt(at(2026, 12, 24, 18, 0, 40));
    QVERIFY(rig.box(3).waitForRequests(1));
    QVERIFY(rig.box(2).waitForRequests(1));
    QCOMPARE(decoded(rig.box(3).requests().at(0).target),
             "/control/message?popup=Es ist der 24-12-2026 18:00 Uhr !" + kRuleText + "18:30 Uhr  Bescherung");
    QCOMPARE(decoded(rig.box(2).requests().at(0).target),
             "/control/message?nmsg=Es ist der 24-12-2026 18:00 Uhr !" + kRuleText + "--:-- Uhr Stundenschlag");

    rig.tickAt(at(2026, 12, 24, 19, 0, 40));
    QVERIFY(rig.box(2).waitForRequests(2));
    rig.settle();
    QCOMPARE(rig.box(3).requests().size(), 1); // 18:00 does not fire at 19:00
    QCOMPARE(rig.box(4).requests().size(), 0);
    QCOMPARE(decoded(rig.box(2).requests().at(1).target),
             "/control/message?nmsg=Es ist der 24-12-2026 19:00 Uhr !" + kRuleText + "--:-- Uhr Stundenschlag");
    QCOMPARE(rig.display.infoText(), QStringLiteral("--:-- Stundenschlag"));
}

void TestReminderClock::twoRecordsOneMinuteBothSentInOrder()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "07:25 07:30 p 3 erstens\n07:25 07:31 m 3 zweitens\n");
    rig.tickAt(today(7, 25, 0));
    QVERIFY(rig.box(3).waitForRequests(2));
    QCOMPARE(decoded(rig.box(3).requests().at(0).target),
             "/control/message?popup=Es ist 07:25 Uhr!" + kRuleText + "07:30 Uhr erstens");
    QCOMPARE(decoded(rig.box(3).requests().at(1).target),
             "/control/message?nmsg=Es ist 07:25 Uhr!" + kRuleText + "07:31 Uhr zweitens");
    QCOMPARE(rig.display.infoText(), QStringLiteral("07:31 zweitens"));
}

void TestReminderClock::missingListsSendNothing()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.tickEachSecond(today(7, 24, 55), today(7, 25, 45));
    rig.settle();
    QCOMPARE(rig.totalRequests(), 0);
    QVERIFY(!rig.display.infoVisible());
}

void TestReminderClock::panelHidden_data()
{
    QTest::addColumn<int>("second");
    QTest::addColumn<bool>("hidden");
    for (int s : {19, 39, 59})
        QTest::addRow("%02d", s) << s << true;
    for (int s : {0, 1, 18, 20, 38, 40, 58})
        QTest::addRow("%02d", s) << s << false;
}

void TestReminderClock::panelHidden()
{
    QFETCH(int, second);
    Rig rig;
    rig.tickAt(today(12, 0, second).addSecs(-1));
    rig.display.showInfo(QStringLiteral("Hinweis"));
    rig.tickAt(today(12, 0, second));
    QTEST(!rig.display.infoVisible(), "hidden");
}

void TestReminderClock::listEditedBetweenChecks()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "07:25 07:30 p 2 alt\n");
    rig.tickAt(today(7, 25, 0));
    QVERIFY(rig.box(2).waitForRequests(1));
    rig.folder.write("zlv-tag.txt", "07:26 07:30 p 3 neu\n");
    rig.writeBoxes("127.0.0.2", "127.0.0.4", "127.0.0.3", "127.0.0.5"); // boxes 2 and 3 swapped
    rig.tickEachSecond(today(7, 25, 1), today(7, 26, 0));
    QVERIFY(rig.box(2).waitForRequests(2));
    QVERIFY(decoded(rig.box(2).requests().at(1).target).endsWith("neu"));
}

void TestReminderClock::lateTickCatchesUp()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "07:25 07:30 p 2 x\n");
    rig.tickAt(today(7, 24, 58));
    rig.tickAt(today(7, 25, 1));
    QVERIFY(rig.box(2).waitForRequests(1));
    rig.tickEachSecond(today(7, 25, 2), today(7, 25, 5));
    rig.settle();
    QCOMPARE(rig.totalRequests(), 1);
    QVERIFY(decoded(rig.box(2).requests().at(0).target).startsWith("/control/message?popup=Es ist 07:25 Uhr!"));
}

void TestReminderClock::lateTickRunsHideThenCheck()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-woch.txt", "mo 07:25 07:30 p 2 Woche\n");
    rig.tickAt(today(7, 25, 10));
    rig.display.showInfo(QStringLiteral("alt"));
    // 19 (hide) and 20 (weekly check) are both behind this tick.
    rig.tickAt(today(7, 25, 21));
    QVERIFY(rig.box(2).waitForRequests(1));
    QVERIFY(rig.display.infoVisible());
    QCOMPARE(rig.display.infoText(), QStringLiteral("07:30 Woche"));
    // 49 s late: still caught up, with each second's own minute.
    rig.folder.write("zlv-tag.txt", "07:26 07:30 p 3 Tag\n");
    rig.tickAt(today(7, 26, 10));
    QVERIFY(rig.box(3).waitForRequests(1));
    QVERIFY(decoded(rig.box(3).requests().at(0).target).startsWith("/control/message?popup=Es ist 07:26 Uhr!"));
    QCOMPARE(rig.display.infoText(), QStringLiteral("07:30 Tag"));
}

void TestReminderClock::ticksInOneSecondSendOnce()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "07:25 07:30 p 2 x\n");
    rig.tickAt(today(7, 24, 59, 900));
    rig.tickAt(today(7, 25, 0, 100));
    rig.tickAt(today(7, 25, 0, 900));
    QVERIFY(rig.box(2).waitForRequests(1));
    rig.settle();
    QCOMPARE(rig.totalRequests(), 1);
}

void TestReminderClock::clockSetBackDoesNotResend()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "07:25 07:30 p 2 x\n07:26 07:30 p 3 y\n");
    rig.tickEachSecond(today(7, 24, 58), today(7, 25, 2));
    rig.tickEachSecond(today(7, 24, 30), today(7, 26, 0)); // set back by half a minute
    rig.tickEachSecond(today(7, 5, 0), today(7, 26, 0));   // and by twenty minutes
    QVERIFY(rig.box(3).waitForRequests(1));
    rig.settle();
    QCOMPARE(rig.box(2).requests().size(), 1);
    QCOMPARE(rig.box(3).requests().size(), 1);
    // The next day is a new day.
    rig.tickEachSecond(at(2026, 12, 8, 7, 24, 58), at(2026, 12, 8, 7, 25, 0));
    QVERIFY(rig.box(2).waitForRequests(2));
}

void TestReminderClock::longGapRunsOnlyCurrentSecond()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "07:25 07:30 p 2 x\n07:26 07:30 p 3 y\n");
    rig.tickAt(today(7, 24, 0));
    rig.tickAt(today(7, 25, 1)); // 61 s: a suspend or a clock set forward
    rig.tickAt(today(7, 26, 0));
    QVERIFY(rig.box(3).waitForRequests(1));
    rig.settle();
    QCOMPARE(rig.box(2).requests().size(), 0);
    // A gap of exactly one minute is still caught up.
    rig.tickAt(today(7, 27, 0));
    rig.folder.write("zlv-tag.txt", "07:28 07:30 p 4 z\n");
    rig.tickAt(today(7, 28, 0));
    QVERIFY(rig.box(4).waitForRequests(1));
}

void TestReminderClock::firstTickDoesNotLookBack()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "07:25 07:30 p 2 x\n");
    rig.tickAt(today(7, 25, 1));
    rig.tickAt(today(7, 25, 2));
    rig.settle();
    QCOMPARE(rig.totalRequests(), 0);
    QVERIFY(!rig.display.infoVisible());
}

void TestReminderClock::repeatedHourAtEndOfSummerTime()
{
    // The test runs with TZ=Europe/Berlin: on 25 October 2026 the clock goes
    // from 03:00 CEST back to 02:00 CET, so 02:30 comes twice.
    const QDateTime start = QDateTime(QDate(2026, 10, 25), QTime(0, 0), Qt::UTC);
    QCOMPARE(start.toLocalTime().time(), QTime(2, 0)); // 02:00 CEST
    QCOMPARE(start.addSecs(3600).toLocalTime().time(), QTime(2, 0)); // 02:00 CET

    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "02:30 02:45 p 2 einmal\n");
    int seen0230 = 0;
    for (qint64 s = 0; s <= 2 * 3600; ++s) {
        rig.tickAt(start.addSecs(s).toLocalTime());
        if (rig.display.clockText() == QLatin1String("02:30:00"))
            ++seen0230;
    }
    QCOMPARE(seen0230, 2);
    QVERIFY(rig.box(2).waitForRequests(1));
    rig.settle();
    QCOMPARE(rig.totalRequests(), 1);
}

void TestReminderClock::springForwardStillChecksEveryMinute()
{
    // 29 March 2026: 02:00 CET jumps to 03:00 CEST; 01:59 and 03:00 follow each other.
    const QDateTime start = QDateTime(QDate(2026, 3, 29), QTime(0, 58, 50), Qt::UTC);
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "01:59 x     p 2 a\n03:00 x     p 3 b\n02:30 x     p 4 nie\n");
    for (qint64 s = 0; s <= 80; ++s)
        rig.tickAt(start.addSecs(s).toLocalTime());
    QCOMPARE(rig.display.clockText(), QStringLiteral("03:00:10"));
    QVERIFY(rig.box(2).waitForRequests(1));
    QVERIFY(rig.box(3).waitForRequests(1));
    rig.settle();
    QCOMPARE(rig.totalRequests(), 2);
}

void TestReminderClock::badLists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::function<void(const TempFolder &)>>("make");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QString>("warning"); // what the warning says behind the file's path; empty: none

    const QByteArray match = "07:25 07:30 p 2 ok\n";
    QTest::newRow("garbage bytes") << "zlv-tag.txt" << std::function<void(const TempFolder &)>([](const TempFolder &f) {
        QByteArray junk(256 * 1024, '\0');
        QRandomGenerator gen(4711);
        for (char &c : junk)
            c = char(gen.bounded(256));
        f.write("zlv-tag.txt", junk);
    }) << 0 << " Zeile \\d+ enthält Steuerzeichen \\(Code \\d+\\): keine Textdatei\\?";
    QTest::newRow("NUL bytes around records")
        << "zlv-tag.txt" << std::function<void(const TempFolder &)>([match](const TempFolder &f) {
               f.write("zlv-tag.txt", QByteArray("07:2") + '\0' + "5 07:30 p 2 nein\n" + QByteArray(3, '\0') + "\n" + match
                                         + "07:25 07:30 p 3 a" + '\0' + "b\n");
           })
        << 2 << " Zeile 1 enthält Steuerzeichen \\(Code 0\\)";
    QTest::newRow("invalid UTF-8") << "zlv-tag.txt" << std::function<void(const TempFolder &)>([match](const TempFolder &f) {
        f.write("zlv-tag.txt", "\xC3\x28\xFF\xFE 07:25 07:30 p 2 nein\n07:25 07:30 p 2 \xE4\xC0\x80\n");
    }) << 1 << ": Zeile 1: Uhrzeit .* – diese Zeile wird nie gesendet$"; // line 1 can never fire
    QTest::newRow("1 MB line") << "zlv-tag.txt" << std::function<void(const TempFolder &)>([match](const TempFolder &f) {
        f.write("zlv-tag.txt", "07:25 07:30 p 2 " + QByteArray(1024 * 1024, 'x') + "\n" + QByteArray(512 * 1024, ',')
                                   + "\n" + match);
    }) << 2 << " Zeile 1 ist 1048592 Zeichen lang";
    QTest::newRow("1.5 MB list") << "zlv-term.txt" << std::function<void(const TempFolder &)>([](const TempFolder &f) {
        QByteArray list;
        list.reserve(3 * 512 * 1024 + 64);
        const QByteArray other = "24-12-2026 18:01 18:30 p 3 nicht jetzt, auch nicht spaeter                  \n";
        while (list.size() < 3 * 512 * 1024)
            list += other;
        list += "07-12-2026 07:25 07:30 p 2 am Ende\n";
        f.write("zlv-term.txt", list);
    }) << 1 << " ist ungewöhnlich groß";
    QTest::newRow("empty lines up to the size limit")
        << "zlv-tag.txt" << std::function<void(const TempFolder &)>([match](const TempFolder &f) {
               f.write("zlv-tag.txt", QByteArray(TextFile::kMaxBytes - match.size(), '\n') + match);
           })
        << 1 << " ist ungewöhnlich groß";
    QTest::newRow("too many records") << "zlv-tag.txt" << std::function<void(const TempFolder &)>([match](const TempFolder &f) {
        f.write("zlv-tag.txt", match + QByteArray(ReminderListFile::kMaxRecords, 'a').replace("a", "a\n"));
    }) << 0 << " kann nicht gelesen werden: hat mehr als 150000 Einträge";
    QTest::newRow("pipe named like the list") << "zlv-tag.txt" << std::function<void(const TempFolder &)>([](const TempFolder &f) {
        QVERIFY(mkfifo(QFile::encodeName(f.path("zlv-tag.txt")).constData(), 0600) == 0);
    }) << 0 << " kann nicht gelesen werden: ist eine Pipe \\(FIFO\\), keine Datei$";
    QTest::newRow("UTF-8 and Windows-1252 lines") << "zlv-tag.txt" << std::function<void(const TempFolder &)>([](const TempFolder &f) {
        f.write("zlv-tag.txt", "07:25 07:30 p 2 M\xC3\xBCll\n07:25 07:30 p 3 M\xFCll\n");
    }) << 2 << " Zeile 2: kein gültiges UTF-8, als Windows-1252 gelesen$";
    QTest::newRow("control characters in texts") << "zlv-tag.txt" << std::function<void(const TempFolder &)>([](const TempFolder &f) {
        f.write("zlv-tag.txt", QByteArray("07:25 07:30 p 2 a\x01" "b\n07:25 07:30 p 3 c") + '\0' + "d\n");
    }) << 2 << " Zeile 1 enthält Steuerzeichen \\(Code 1\\)";
    QTest::newRow("16 characters, empty text") << "zlv-tag.txt" << std::function<void(const TempFolder &)>([](const TempFolder &f) {
        f.write("zlv-tag.txt", "07:25 07:30 p 2 \n");
    }) << 1 << "";
    QTest::newRow("list is a folder") << "zlv-tag.txt" << std::function<void(const TempFolder &)>([](const TempFolder &f) {
        f.dir().mkdir("zlv-tag.txt");
    }) << 0 << " kann nicht gelesen werden: ist ein Ordner";
    QTest::newRow("list too large to read") << "zlv-woch.txt" << std::function<void(const TempFolder &)>([](const TempFolder &f) {
        QFile file(f.path("zlv-woch.txt"));
        if (file.open(QIODevice::WriteOnly)) {
            file.write("mo 07:25 07:30 p 2 x\n");
            file.resize(TextFile::kMaxBytes + 1); // sparse: costs no disk
        }
    }) << 0 << " kann nicht gelesen werden: ist größer als";
}

void TestReminderClock::badLists()
{
    QFETCH(QString, name);
    QFETCH(std::function<void(const TempFolder &)>, make);
    QFETCH(QString, warning);
    Rig rig;
    QVERIFY(rig.listening());
    make(rig.folder);
    if (warning.isEmpty())
        QTest::failOnWarning(QRegularExpression("."));
    else
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^" + QRegularExpression::escape(rig.folder.path(name)) + warning));
    const int second = name == QLatin1String("zlv-tag.txt") ? 0 : name == QLatin1String("zlv-woch.txt") ? 20 : 40;
    rig.tickAt(today(7, 25, second));
    rig.settle();
    QTest::qWait(100);
    QTEST(rig.totalRequests(), "sent");
    for (int b = 1; b <= 4; ++b)
        for (const auto &r : rig.box(b).requests())
            QVERIFY2(b == 2 || b == 3, r.requestLine.constData());
    QCOMPARE(rig.display.infoVisible(), rig.totalRequests() > 0);
}

void TestReminderClock::unreadableListReportedOnce()
{
    Rig rig;
    QVERIFY(rig.listening());
    QVERIFY(mkfifo(QFile::encodeName(rig.folder.path("zlv-tag.txt")).constData(), 0600) == 0);
    const QRegularExpression said("zlv-tag\\.txt kann nicht gelesen werden");
    QTest::ignoreMessage(QtWarningMsg, said);
    QTest::failOnWarning(said); // a second time fails
    for (int minute = 25; minute < 28; ++minute)
        rig.tickAt(today(7, minute, 0));
    QCOMPARE(rig.display.clockText(), QStringLiteral("07:27:00"));
}

// A UTF-8 line keeps its umlaut beside a Windows-1252 line of the same list.
void TestReminderClock::mixedEncodingsSendTheSameText()
{
    Rig rig;
    QVERIFY(rig.listening());
    rig.folder.write("zlv-tag.txt", "07:25 07:30 p 2 M\xC3\xBCll\n07:25 07:30 p 3 M\xFCll\n");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(" Zeile 2: kein gültiges UTF-8"));
    rig.tickAt(today(7, 25, 0));
    QVERIFY(rig.box(2).waitForRequests(1));
    QVERIFY(rig.box(3).waitForRequests(1));
    const QByteArray utf8Line = rig.box(2).requests().at(0).requestLine;
    QCOMPARE(rig.box(3).requests().at(0).requestLine, utf8Line);
    QVERIFY2(!utf8Line.contains("%C3%83"), utf8Line.constData()); // no "Ã"
}

// A list kept from the last check while its file stays the same; any
// change, also one of the same size, is read at the next check.
void TestReminderClock::unchangedListIsNotReadAgain()
{
    Rig rig;
    QVERIFY(rig.listening());
    const QString path = rig.folder.path("zlv-tag.txt");
    const auto writeAged = [&](const QByteArray &bytes) {
        rig.folder.write("zlv-tag.txt", bytes);
        QFile f(path); // an hour old, so its times can be trusted
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    };
    writeAged("07:25 07:30 p 2 a\n07:26 07:30 p 3 b\n");
    rig.tickAt(today(7, 25, 0));
    QVERIFY(rig.box(2).waitForRequests(1));
    // Taken away behind the cache's back by a rename: a new inode.
    QVERIFY(QFile::rename(path, path + ".alt"));
    writeAged("07:25 07:30 p 2 a\n07:26 07:30 p 4 b\n");
    rig.tickAt(today(7, 26, 0));
    QVERIFY(rig.box(4).waitForRequests(1));
    rig.settle();
    QCOMPARE(rig.box(3).requests().size(), 0);
}

// What a check hands over, without any box: each firing record to its own
// box in file order; the panel shows the last one's text when some box may
// get a message.
void TestReminderClock::matchesHandedToTheSender_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<QString>("panel");
    QTest::newRow("two boxes") << QByteArray("07:25 07:30 p 2 Muell\n07:26 07:40 m 1 Nie\n07:25 07:40 m 1 Post\n")
                               << QList<int>{2, 1} << "07:40 Post";
    QTest::newRow("last one to a box not configured")
        << QByteArray("07:25 07:30 p 2 Muell\n07:25 07:40 m 3 Post\n") << QList<int>{2, 3} << "07:40 Post";
    QTest::newRow("only to a box not configured")
        << QByteArray("07:25 07:40 m 3 Post\n") << QList<int>{3}
        << "Nichts gesendet an Box 3: Box nicht eingerichtet (0.0.0.0)";
    QTest::newRow("nothing fires: the panel stays") << QByteArray("07:26 07:40 m 1 Nie\n") << QList<int>{}
                                                    << "Box 2 ist an";
}

void TestReminderClock::matchesHandedToTheSender()
{
    QFETCH(QByteArray, list);
    QFETCH(QList<int>, boxes);
    QFETCH(QString, panel);
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n0.0.0.0\r\n");
    folder.write("zlv-tag.txt", list);
    FakeClock time(today(7, 25, 0));
    StatusBoard display;
    BoxListSource boxList(folder.dir());
    FakeBoxSender sender(&boxList);
    sender.panel()->showOn(&display);
    ReminderClock clock(time, folder.dir(), &sender, &display);
    display.showInfo("Box 2 ist an");
    QCOMPARE(clock.checkList(ReminderListKind::Daily, time.now()), boxes.size());
    QCOMPARE(sender.sent.size(), boxes.size());
    for (int i = 0; i < boxes.size(); ++i) {
        QCOMPARE(sender.sent.at(i).origin.box, boxes.at(i));
        QCOMPARE(sender.sent.at(i).origin.source, MessageSource::Reminder);
        QCOMPARE(sender.sent.at(i).address, boxList.boxes().address(boxes.at(i)));
    }
    QCOMPARE(display.infoText(), panel);
}

int main(int argc, char **argv)
{
    // Local time is Berlin's, with its daylight saving time.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestReminderClock test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reminderclock.moc"
