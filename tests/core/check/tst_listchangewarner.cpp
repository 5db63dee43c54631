#include "FakeClock.h"
#include "TempFolder.h"
#include "boxes/BoxSender.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "check/ListChangeWarner.h"
#include "common/Clock.h"
#include "common/StatusBoard.h"
#include "reminders/ReminderClock.h"
#include "reminders/ReminderListFile.h"

#include <QTest>

#include <ctime>

namespace {

QStringList g_warnings;
QtMessageHandler g_previous = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && QByteArray(context.category) == "zelvo.reminders")
        g_warnings << message;
    else if (g_previous)
        g_previous(type, context, message);
}

QDateTime monday0800()
{
    return QDateTime(QDate(2026, 12, 7), QTime(8, 0));
}

} // namespace

class TestListChangeWarner : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { g_previous = qInstallMessageHandler(collect); }
    void cleanupTestCase() { qInstallMessageHandler(g_previous); }
    void init() { g_warnings.clear(); }

    void warnsOncePerChange();
    void oneWarningPerLine();
    void listsAreTrackedApart();
    void theClockWarnsWhenAListChanges();
    void aListOfGarbageIsCutShort();
    void controlCharactersEscapedInTheLog();
};

// No raw control byte reaches the log: the line is named, the bytes are
// written as \xNN.
void TestListChangeWarner::controlCharactersEscapedInTheLog()
{
    TempFolder folder;
    folder.write("zlv-tag.txt", QByteArray("7:2\x01 07:30 p 2 a") + '\0' + "b\x1B\n");
    ListChangeWarner warner;
    QCOMPARE(warner.noteRead(ReminderListFile::read(folder.dir(), ReminderListKind::Daily), ReminderListKind::Daily,
                             BoxList(), monday0800()),
             1);
    QCOMPARE(g_warnings.size(), 2);
    QVERIFY2(g_warnings.at(0).contains(" Zeile 1 enthält Steuerzeichen (Code 1)"), qPrintable(g_warnings.at(0)));
    QVERIFY2(g_warnings.at(1).contains("\"7:2\\x01\""), qPrintable(g_warnings.at(1)));
    for (const QString &w : std::as_const(g_warnings))
        for (const QChar c : w)
            QVERIFY2(c.unicode() >= 0x20 && (c.unicode() < 0x7F || c.unicode() > 0x9F), qPrintable(w));
}

void TestListChangeWarner::warnsOncePerChange()
{
    TempFolder folder;
    const BoxList boxes;
    ListChangeWarner warner;
    folder.write("zlv-tag.txt", "07:25 07:30 p 2 gut\n7:25 07:30 p 2 schlecht\n07:25 07:30 p 4 Box 4 ist nur ein Hinweis\n");
    auto read = [&] { return ReminderListFile::read(folder.dir(), ReminderListKind::Daily); };

    QCOMPARE(warner.noteRead(read(), ReminderListKind::Daily, boxes, monday0800()), 1);
    QCOMPARE(g_warnings, QStringList{folder.path("zlv-tag.txt") + ": Zeile 2: Uhrzeit \"7:25\" muss fünf Zeichen haben "
                                                                  "(07:25) – diese Zeile wird nie gesendet"});

    // Read again unchanged: quiet.
    QCOMPARE(warner.noteRead(read(), ReminderListKind::Daily, boxes, monday0800()), 0);
    QCOMPARE(g_warnings.size(), 1);

    // The same bytes moved down a line are a change: the line number differs.
    folder.write("zlv-tag.txt", "\n07:25 07:30 p 2 gut\n7:25 07:30 p 2 schlecht\n");
    QCOMPARE(warner.noteRead(read(), ReminderListKind::Daily, boxes, monday0800()), 1);
    QVERIFY(g_warnings.last().startsWith(folder.path("zlv-tag.txt") + ": Zeile 3: "));

    // Mended: a change without warnings.
    folder.write("zlv-tag.txt", "07:25 07:30 p 2 gut\n07:25 07:30 p 2 jetzt gut\n");
    QCOMPARE(warner.noteRead(read(), ReminderListKind::Daily, boxes, monday0800()), 0);

    // Emptied, then missing: both quiet.
    folder.write("zlv-tag.txt", "");
    QCOMPARE(warner.noteRead(read(), ReminderListKind::Daily, boxes, monday0800()), 0);
    QVERIFY(QFile::remove(folder.path("zlv-tag.txt")));
    QCOMPARE(warner.noteRead(read(), ReminderListKind::Daily, boxes, monday0800()), 0);
    QCOMPARE(g_warnings.size(), 2);
}

void TestListChangeWarner::oneWarningPerLine()
{
    TempFolder folder;
    ListChangeWarner warner;
    // Day code and length both wrong; the comma line's first part fires, so
    // the line is sent and its rest is no warning.
    folder.write("zlv-woch.txt", "Mo 06:45\nmo 06:45 07:00 m 1 Essen, dann Abwasch\n");
    const auto file = ReminderListFile::read(folder.dir(), ReminderListKind::Weekly);
    QCOMPARE(warner.noteRead(file, ReminderListKind::Weekly, BoxList(), monday0800()), 1);
    QVERIFY(g_warnings.at(0).startsWith(folder.path("zlv-woch.txt") + ": Zeile 1: Tageskürzel \"Mo\""));
}

void TestListChangeWarner::listsAreTrackedApart()
{
    TempFolder folder;
    ListChangeWarner warner;
    folder.write("zlv-tag.txt", "7:25 07:30 p 2 a\n");
    folder.write("zlv-term.txt", "24-12-2025 18:00 18:30 p 3 vorbei\n");
    const auto daily = ReminderListFile::read(folder.dir(), ReminderListKind::Daily);
    const auto dated = ReminderListFile::read(folder.dir(), ReminderListKind::Dated);
    QCOMPARE(warner.noteRead(daily, ReminderListKind::Daily, BoxList(), monday0800()), 1);
    QCOMPARE(warner.noteRead(dated, ReminderListKind::Dated, BoxList(), monday0800()), 1);
    QCOMPARE(warner.noteRead(daily, ReminderListKind::Daily, BoxList(), monday0800()), 0);
    QCOMPARE(warner.noteRead(dated, ReminderListKind::Dated, BoxList(), monday0800()), 0);
    QCOMPARE(g_warnings.last(), folder.path("zlv-term.txt") + ": Zeile 1: Termin 24-12-2025 liegt in der "
                                                              "Vergangenheit – diese Zeile wird nie gesendet");
}

// The reminder clock's own reading of a list warns; its checks go on as
// before. Nothing fires at 08:00 here, so nothing is sent anywhere.
void TestListChangeWarner::theClockWarnsWhenAListChanges()
{
    TempFolder folder;
    folder.write("zlv-tag.txt", "07:25 07:30 p 2 gut\n7:25 07:30 p 2 schlecht\n");
    FakeClock time(monday0800());
    BoxListSource boxList(folder.dir());
    BoxSender sender(&boxList, {1, 1000});
    StatusBoard display;
    ListChangeWarner warner;
    ReminderClock clock(time, folder.dir(), &sender, &display);
    warner.listenTo(clock);

    QCOMPARE(clock.checkList(ReminderListKind::Daily, monday0800()), 0);
    QCOMPARE(g_warnings, QStringList{folder.path("zlv-tag.txt") + ": Zeile 2: Uhrzeit \"7:25\" muss fünf Zeichen haben "
                                                                  "(07:25) – diese Zeile wird nie gesendet"});
    QCOMPARE(clock.checkList(ReminderListKind::Daily, monday0800().addSecs(60)), 0);
    QCOMPARE(g_warnings.size(), 1);

    folder.write("zlv-tag.txt", "07:25 07:30 p 2 gut\nMo 07:30 p 2 schlecht\n");
    QCOMPARE(clock.checkList(ReminderListKind::Daily, monday0800().addSecs(120)), 0);
    QCOMPARE(g_warnings.size(), 2);
    QVERIFY(g_warnings.last().startsWith(folder.path("zlv-tag.txt") + ": Zeile 2: "));
    QVERIFY(!display.infoVisible());
}

void TestListChangeWarner::aListOfGarbageIsCutShort()
{
    TempFolder folder;
    ListChangeWarner warner;
    QByteArray list;
    for (int i = 0; i < 5000; ++i)
        list += "7:25 07:30 p 2 kaputt, und noch ein Teil\n";
    folder.write("zlv-tag.txt", list);
    const auto file = ReminderListFile::read(folder.dir(), ReminderListKind::Daily);
    QCOMPARE(warner.noteRead(file, ReminderListKind::Daily, BoxList(), monday0800()), ListChangeWarner::kMaxWarnings);
    QCOMPARE(g_warnings.size(), ListChangeWarner::kMaxWarnings + 1);
    QVERIFY(g_warnings.at(ListChangeWarner::kMaxWarnings - 1).contains(": Zeile 20: "));
    QVERIFY(g_warnings.last().endsWith("zelvo-check zeigt alle"));
}

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestListChangeWarner test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_listchangewarner.moc"
