#include "TempFolder.h"
#include "check/FolderCheck.h"
#include "check/RecordCheck.h"
#include "check/ReminderSchedule.h"

#include <QTest>

#include <ctime>

Q_DECLARE_METATYPE(ReminderListKind)

namespace {

// Boxes 1 to 3 configured, box 4 not.
const QByteArray kBoxList = "127.0.0.2\r\n127.0.0.3\r\n127.0.0.4\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n";

// Monday 7 December 2026, 08:00 in Berlin.
QDateTime monday0800()
{
    return QDateTime(QDate(2026, 12, 7), QTime(8, 0));
}

QStringList summary(const QList<CheckFinding> &findings)
{
    QStringList s;
    for (const CheckFinding &f : findings)
        s << QStringLiteral("%1:%2:%3").arg(f.line).arg(f.neverFires() ? "never" : "hint", f.code);
    return s;
}

} // namespace

class TestRecordCheck : public QObject
{
    Q_OBJECT
private slots:
    void findings_data();
    void findings();
    void wording_data();
    void wording();
    void linesAndColumns_data();
    void linesAndColumns();
    void missingListIsEmpty();
    void boxListDecidesBoxHints();
};

void TestRecordCheck::findings_data()
{
    QTest::addColumn<ReminderListKind>("list");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");

    const auto daily = ReminderListKind::Daily;
    const auto weekly = ReminderListKind::Weekly;
    const auto dated = ReminderListKind::Dated;
    const QByteArray sixty(60, 'x');

    QTest::newRow("daily fine") << daily << QByteArray("07:25 07:30 p 2 Muell rausbringen\r\n") << QStringList{};
    QTest::newRow("one-digit hour") << daily << QByteArray("7:25 07:30 p 2 Muell\n") << QStringList{"1:never:trigger"};
    QTest::newRow("one-digit minute") << daily << QByteArray("07:5 07:30 p 2 Muell\n") << QStringList{"1:never:trigger"};
    QTest::newRow("dot for colon") << daily << QByteArray("07.25 07:30 p 2 Muell\n") << QStringList{"1:never:trigger"};
    QTest::newRow("hour 24") << daily << QByteArray("24:00 07:30 p 2 Muell\n") << QStringList{"1:never:trigger"};
    QTest::newRow("minute 60") << daily << QByteArray("07:60 07:30 p 2 Muell\n") << QStringList{"1:never:trigger"};
    QTest::newRow("every hour only in dated list") << daily << QByteArray("??:15 07:30 p 2 Muell\n")
                                                   << QStringList{"1:never:trigger"};
    QTest::newRow("second line, line number") << daily << QByteArray("07:25 07:30 p 2 a\r\nx7:25 07:30 p 2 b\r\n")
                                              << QStringList{"2:never:trigger"};
    QTest::newRow("no text, trailing blank dropped but counted") << daily << QByteArray("07:25 07:30 p 2 \n")
                                                                 << QStringList{};
    QTest::newRow("16 characters in quotes fire") << daily << QByteArray("\"07:25 07:30 p 2 \"\n") << QStringList{};
    QTest::newRow("far too short") << daily << QByteArray("07:25\n") << QStringList{"1:never:short"};
    QTest::newRow("comma splits the line") << daily << QByteArray("07:25 07:30 p 2 Essen, dann Abwasch\n")
                                           << QStringList{"1:hint:comma", "1:hint:comma"}; // the line goes
    QTest::newRow("quoted comma is text") << daily << QByteArray("\"07:25 07:30 p 2 Essen, dann Abwasch\"\n")
                                          << QStringList{};
    QTest::newRow("two records on one line") << daily << QByteArray("07:25 07:30 p 2 A, 07:26 07:31 p 2 B\n")
                                             << QStringList{"1:hint:comma", "1:hint:comma"};
    QTest::newRow("comma at the end") << daily << QByteArray("07:25 07:30 p 2 A,\n") << QStringList{"1:hint:comma"};
    QTest::newRow("tab in a gap") << daily << QByteArray("07:25\t07:30 p 2 Muell\n") << QStringList{"1:hint:tab"};
    QTest::newRow("tab in the text is text") << daily << QByteArray("07:25 07:30 p 2 a\tb\n") << QStringList{};
    QTest::newRow("kind P") << daily << QByteArray("07:25 07:30 P 2 Muell\n") << QStringList{"1:hint:kind"};
    QTest::newRow("kind m") << daily << QByteArray("07:25 07:30 m 2 Muell\n") << QStringList{};
    QTest::newRow("box 4 unconfigured") << daily << QByteArray("07:25 07:30 p 4 Muell\n")
                                        << QStringList{"1:hint:box-unconfigured"};
    QTest::newRow("box digit 5") << daily << QByteArray("07:25 07:30 p 5 Muell\n") << QStringList{"1:hint:box"};
    QTest::newRow("box digit blank") << daily << QByteArray("07:25 07:30 p   Muell\n") << QStringList{};
    QTest::newRow("text of 60 characters") << daily << QByteArray("07:25 07:30 p 2 " + sixty + "\n")
                                           << QStringList{"1:hint:text-cut"};
    QTest::newRow("text of 52 characters") << daily << QByteArray("07:25 07:30 p 2 " + QByteArray(52, 'x') + "\n")
                                           << QStringList{};
    QTest::newRow("52 umlauts are 52 characters") << daily
                                                  << QByteArray("07:25 07:30 p 2 " + QString(52, QChar(0xe4)).toUtf8())
                                                  << QStringList{};
    QTest::newRow("empty lines are no records") << daily << QByteArray("\r\n\r\n07:25 07:30 p 2 x\r\n\r\n")
                                                << QStringList{};
    QTest::newRow("indented record") << daily << QByteArray("   \t07:25 07:30 p 2 x\n") << QStringList{};
    QTest::newRow("never-firing line gets no hints") << daily << QByteArray("7:25 07:30 P 4 " + sixty + "\n")
                                                     << QStringList{"1:never:trigger"};
    QTest::newRow("Windows-1252 bytes") << daily << QByteArray("07:25 07:30 p 2 M\xfc\x6cl\r\n") << QStringList{};

    QTest::newRow("weekly fine") << weekly << QByteArray("mf 06:45 07:00 m 1 Zeitung holen\n") << QStringList{};
    QTest::newRow("all nine codes")
        << weekly
        << QByteArray("mo 06:45 07:00 m 1 a\ndi 06:45 07:00 m 1 a\nmi 06:45 07:00 m 1 a\ndo 06:45 07:00 m 1 a\n"
                      "fr 06:45 07:00 m 1 a\nsa 06:45 07:00 m 1 a\nso 06:45 07:00 m 1 a\nmf 06:45 07:00 m 1 a\n"
                      "ss 06:45 07:00 m 1 a\n")
        << QStringList{};
    QTest::newRow("upper-case Mo") << weekly << QByteArray("Mo 06:45 07:00 m 1 x\n") << QStringList{"1:never:daycode"};
    QTest::newRow("upper-case MF") << weekly << QByteArray("MF 06:45 07:00 m 1 x\n") << QStringList{"1:never:daycode"};
    QTest::newRow("unknown code") << weekly << QByteArray("xy 06:45 07:00 m 1 x\n") << QStringList{"1:never:daycode"};
    QTest::newRow("three-letter code shifts the rest")
        << weekly << QByteArray("mon 06:45 07:00 m 1 x\n") << QStringList{"1:never:daycode"};
    QTest::newRow("weekly one-digit hour") << weekly << QByteArray("mo 6:45 07:00 m 1 x\n")
                                           << QStringList{"1:never:trigger"};
    QTest::newRow("tabs where the time belongs") << weekly << QByteArray("mo\t\t06:45 07:00 m 1 x\n")
                                                 << QStringList{"1:never:tab"};
    QTest::newRow("weekly too short") << weekly << QByteArray("mo 06:45 07:00 m\n") << QStringList{"1:never:short"};

    QTest::newRow("dated fine") << dated << QByteArray("24-12-2026 18:00 18:30 p 3 Bescherung\n") << QStringList{};
    QTest::newRow("dated every hour") << dated << QByteArray("24-12-2026 ??:00 18:30 p 3 x\n") << QStringList{};
    QTest::newRow("date with dots") << dated << QByteArray("24.12.2026 18:00 18:30 p 3 x\n")
                                    << QStringList{"1:never:date"};
    QTest::newRow("short date shifts the rest") << dated << QByteArray("1-5-2027 18:00 18:30 p 3 x\n")
                                                << QStringList{"1:never:date"};
    QTest::newRow("year first") << dated << QByteArray("2026-12-24 18:00 18:30 p 3 x\n") << QStringList{"1:never:date"};
    QTest::newRow("digits of another script")
        << dated << QString::fromUtf8("\u0662\u0664-\u0661\u0662-\u0662\u0660\u0662\u0666 18:00 18:30 p 3 x\n").toUtf8()
        << QStringList{"1:never:date"};
    QTest::newRow("31 February") << dated << QByteArray("31-02-2027 18:00 18:30 p 3 x\n")
                                 << QStringList{"1:never:date"};
    QTest::newRow("29 February of a leap year") << dated << QByteArray("29-02-2028 18:00 18:30 p 3 x\n")
                                                << QStringList{};
    QTest::newRow("last year") << dated << QByteArray("24-12-2025 18:00 18:30 p 3 x\n") << QStringList{"1:never:past"};
    QTest::newRow("earlier today") << dated << QByteArray("07-12-2026 07:59 18:30 p 3 x\n")
                                   << QStringList{"1:never:past"};
    QTest::newRow("this very minute") << dated << QByteArray("07-12-2026 08:00 18:30 p 3 x\n") << QStringList{};
    QTest::newRow("today every hour") << dated << QByteArray("07-12-2026 ??:59 18:30 p 3 x\n") << QStringList{};
    QTest::newRow("skipped spring hour") << dated << QByteArray("28-03-2027 02:30 02:30 p 3 x\n")
                                         << QStringList{"1:never:dst-gap"};
    QTest::newRow("repeated autumn hour") << dated << QByteArray("31-10-2027 02:30 02:30 p 3 x\n") << QStringList{};
    QTest::newRow("every hour, spring day") << dated << QByteArray("28-03-2027 ??:30 02:30 p 3 x\n") << QStringList{};
    QTest::newRow("minute 75 every hour") << dated << QByteArray("24-12-2026 ??:75 18:30 p 3 x\n")
                                          << QStringList{"1:never:trigger"};
    QTest::newRow("26 characters fire") << dated << QByteArray("24-12-2026 18:00 18:30 p 3\n") << QStringList{};
    QTest::newRow("dated too short") << dated << QByteArray("24-12-2026 18:00 18:30 p\n") << QStringList{"1:never:short"};
}

// Each finding on a real file, read as Zelvo reads it; and every record the
// checker passes does fire in the schedule, every record it rejects never
// does (within the horizon that covers all of these).
void TestRecordCheck::findings()
{
    QFETCH(ReminderListKind, list);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);

    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), kBoxList);
    folder.write(ReminderLayout::fileName(list), content);
    const FolderCheck check = FolderCheck::run(folder.dir(), monday0800());

    const ReminderListCheck &l = check.lists[int(list)];
    QCOMPARE(l.file.status, TextFile::Status::Ok);
    QCOMPARE(summary(l.findings), expected);

    for (const ReminderRecord &r : l.file.records) {
        if (r.record().isEmpty())
            continue;
        bool never = false;
        for (const CheckFinding &f : RecordCheck::check(r, check.boxes.boxes, monday0800()))
            never = never || f.neverFires();
        ReminderSchedule::Lists one;
        one[int(list)].append(r);
        const bool fires = !ReminderSchedule::next(one, monday0800(), 1).isEmpty();
        QVERIFY2(fires != never, qPrintable(r.record()));
    }
    QCOMPARE(check.status(), l.neverFiring > 0 ? FolderCheck::SomeNeverFire : FolderCheck::AllFire);
}

void TestRecordCheck::wording_data()
{
    QTest::addColumn<ReminderListKind>("list");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one-digit hour") << ReminderListKind::Daily << QByteArray("07:25 07:30 p 2 a\n\n7:25 07:30 p 2 b\n")
                                    << QString("Zeile 3: Uhrzeit \"7:25\" muss fünf Zeichen haben (07:25) – diese Zeile "
                                               "wird nie gesendet");
    QTest::newRow("upper-case day") << ReminderListKind::Weekly << QByteArray("Mo 06:45 07:00 m 1 x\n")
                                    << QString("Zeile 1: Tageskürzel \"Mo\" muss klein geschrieben werden (mo) – diese "
                                               "Zeile wird nie gesendet");
    QTest::newRow("date with dots") << ReminderListKind::Dated << QByteArray("24.12.2026 18:00 18:30 p 3 x\n")
                                    << QString("Zeile 1: Datum \"24.12.2026\" muss die Form TT-MM-JJJJ haben "
                                               "(24-12-2026) – diese Zeile wird nie gesendet");
    QTest::newRow("past") << ReminderListKind::Dated << QByteArray("24-12-2025 18:00 18:30 p 3 x\n")
                          << QString("Zeile 1: Termin 24-12-2025 liegt in der Vergangenheit – diese Zeile wird nie "
                                     "gesendet");
    QTest::newRow("cut, column counted with the indent")
        << ReminderListKind::Daily << QByteArray("  07:25 07:30 p 2 " + QByteArray(52, 'a') + "bcdefghij\n")
        << QString("Zeile 1: Hinweis: Text hat 61 Zeichen, gesendet werden nur die ersten 52: ab Spalte 71 fällt "
                   "\"bcdefghij\" weg");
    QTest::newRow("cut inside quotes")
        << ReminderListKind::Daily << QByteArray("\"07:25 07:30 p 2 " + QByteArray(52, 'a') + "b,c\"\n")
        << QString("Zeile 1: Hinweis: Text hat 55 Zeichen, gesendet werden nur die ersten 52: ab Spalte 70 fällt "
                   "\"b,c\" weg");
    QTest::newRow("box 4") << ReminderListKind::Daily << QByteArray("07:25 07:30 p 4 x\n")
                           << QString("Zeile 1: Hinweis: Box 4 ist in boxip.ini nicht eingerichtet (\"0.0.0.0\"): die "
                                      "Erinnerung wird an keine Box gesendet");
    QTest::newRow("part behind the comma")
        << ReminderListKind::Daily << QByteArray("07:25 07:30 p 2 Essen, dann Abwasch\n")
        << QString("Zeile 1: Hinweis: der Teil hinter dem Komma (\"dann Abwasch\") gilt als eigener Eintrag und ist "
                   "keine gültige Erinnerung – dieser Teil der Zeile wird nie gesendet");
    QTest::newRow("tab shown by name") << ReminderListKind::Weekly << QByteArray("mo\t\t06:45 07:00 m 1 x\n")
                                       << QString("Zeile 1: in Spalte 4 steht ein Tabulator, wo die Uhrzeit stehen muss "
                                                  "(ein Tabulator zählt als ein Zeichen; bitte Leerzeichen verwenden) – "
                                                  "diese Zeile wird nie gesendet");
}

// The exact German wording, the same in zelvo-check and in the app's log.
void TestRecordCheck::wording()
{
    QFETCH(ReminderListKind, list);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);

    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), kBoxList);
    folder.write(ReminderLayout::fileName(list), content);
    const FolderCheck check = FolderCheck::run(folder.dir(), monday0800());
    QStringList texts;
    for (const CheckFinding &f : check.lists[int(list)].findings)
        texts << f.text();
    QVERIFY2(texts.contains(expected), qPrintable(texts.join('\n')));
}

void TestRecordCheck::linesAndColumns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected"); // "line:column" per record

    QTest::newRow("plain lines") << "a\r\nb\n" << QStringList{"1:1", "2:1"};
    QTest::newRow("indented by blanks and tabs") << "  a\n\t b" << QStringList{"1:3", "2:3"};
    QTest::newRow("behind a comma") << "abc, de,f\n" << QStringList{"1:1", "1:6", "1:9"};
    QTest::newRow("behind an opening quote") << " \"a,b\"\nc" << QStringList{"1:3", "2:1"};
    QTest::newRow("after a quote across lines") << "\"a\r\nb\"\r\n  c\rd" << QStringList{"1:2", "3:3", "4:1"};
    QTest::newRow("empty line") << "a\n\nb" << QStringList{"1:1", "3:1"};
}

// Where each record starts, as an editor shows it: findings name columns.
void TestRecordCheck::linesAndColumns()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QStringList actual;
    for (const ReminderRecord &r : ReminderListFile::parse(text, ReminderListKind::Daily))
        actual << QStringLiteral("%1:%2").arg(r.line()).arg(r.column());
    QCOMPARE(actual, expected);
}

void TestRecordCheck::missingListIsEmpty()
{
    TempFolder folder;
    const FolderCheck check = FolderCheck::run(folder.dir(), monday0800());
    for (const ReminderListCheck &l : check.lists) {
        QCOMPARE(l.file.status, TextFile::Status::Missing);
        QCOMPARE(l.lines, 0);
    }
    QCOMPARE(check.boxes.status, TextFile::Status::Missing);
    QVERIFY(check.due.isEmpty());
    QCOMPARE(check.status(), FolderCheck::SomeNeverFire); // no box set up: nothing can be sent
}

// Without boxip.ini every box is unconfigured: each firing record says so.
void TestRecordCheck::boxListDecidesBoxHints()
{
    TempFolder folder;
    folder.write(QStringLiteral("zlv-tag.txt"), "07:25 07:30 p 2 a\n07:26 07:30 p 1 b\n");
    FolderCheck check = FolderCheck::run(folder.dir(), monday0800());
    QCOMPARE(summary(check.lists[0].findings), (QStringList{"1:hint:box-unconfigured", "2:hint:box-unconfigured"}));

    folder.write(QStringLiteral("boxip.ini"), "127.0.0.2\r\n \r\n");
    check = FolderCheck::run(folder.dir(), monday0800());
    QCOMPARE(summary(check.lists[0].findings), QStringList{"1:hint:box-unconfigured"});
    QVERIFY(check.lists[0].findings.first().what.contains("keine Adresse"));
    QCOMPARE(check.status(), FolderCheck::AllFire);
}

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestRecordCheck test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recordcheck.moc"
