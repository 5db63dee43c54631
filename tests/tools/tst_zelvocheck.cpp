#include "TempFolder.h"
#include "common/TextFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QProcess>

#include <sys/stat.h>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run zelvoCheck(const QStringList &args, const QString &workingFolder = QString(), int timeoutMs = 60000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
    p.setProcessEnvironment(env);
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.start(QStringLiteral(ZELVO_CHECK_BINARY), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    Run r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

const QByteArray kBoxList = "127.0.0.2\r\n127.0.0.3\r\n127.0.0.4\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n";

} // namespace

class TestZelvoCheck : public QObject
{
    Q_OBJECT
private slots:
    void exitStatus_data();
    void exitStatus();
    void reportsFindingsAndNextDue();
    void workingFolderByDefault();
    void jsonLines();
    void badCommandLine();
    void addressesNeverContacted_data();
    void addressesNeverContacted();
    void repeatedHourShowsItsOffset();
    void oddFilesNeverBlock();
    void misnamedList_data();
    void misnamedList();
    void calendarsChecked();
};

void TestZelvoCheck::exitStatus_data()
{
    QTest::addColumn<QByteArray>("daily");
    QTest::addColumn<QString>("folderSetup");
    QTest::addColumn<int>("status");

    QTest::newRow("empty folder: missing lists are empty") << QByteArray() << QString() << 0;
    QTest::newRow("every record fires") << QByteArray("07:25 07:30 p 2 Muell\n") << QString() << 0;
    QTest::newRow("hints only") << QByteArray("07:25 07:30 P 4 Muell\n") << QString() << 0;
    QTest::newRow("one record never fires") << QByteArray("07:25 07:30 p 2 a\n7:25 07:30 p 2 b\n") << QString() << 1;
    QTest::newRow("a list is a folder") << QByteArray("07:25 07:30 p 2 a\n") << QString("zlv-term.txt") << 2;
    QTest::newRow("boxip.ini is a folder") << QByteArray("07:25 07:30 p 2 a\n") << QString("boxip.ini") << 2;
    QTest::newRow("unreadable wins over never fires") << QByteArray("7:25 07:30 p 2 b\n") << QString("zlv-woch.txt")
                                                      << 2;
    QTest::newRow("folder does not exist") << QByteArray() << QString("<gone>") << 2;
    QTest::newRow("folder is a file") << QByteArray() << QString("<file>") << 2;
    QTest::newRow("list too large to read") << QByteArray("07:25 07:30 p 2 a\n") << QString("<huge>") << 2;
    // nothing can be sent: a finding
    QTest::newRow("no boxip.ini") << QByteArray("07:25 07:30 p 2 a\n") << QString("<no box: missing>") << 1;
    QTest::newRow("boxip.ini names no box") << QByteArray() << QString("<no box: zeros>") << 1;
}

void TestZelvoCheck::exitStatus()
{
    QFETCH(QByteArray, daily);
    QFETCH(QString, folderSetup);
    QFETCH(int, status);

    TempFolder folder;
    folder.write("boxip.ini", kBoxList);
    if (!daily.isEmpty())
        folder.write("zlv-tag.txt", daily);
    QString target = folder.dir().path();
    if (folderSetup == "<gone>") {
        target = folder.path("nicht-da");
    } else if (folderSetup == "<file>") {
        target = folder.path("zlv-tag.txt");
        folder.write("zlv-tag.txt", "07:25 07:30 p 2 a\n");
    } else if (folderSetup == "<huge>") {
        QFile file(folder.path("zlv-term.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(TextFile::kMaxBytes + 1)); // sparse: costs no disk
    } else if (folderSetup == "<no box: missing>") {
        QFile::remove(folder.path("boxip.ini"));
    } else if (folderSetup == "<no box: zeros>") {
        folder.write("boxip.ini", "0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n");
    } else if (!folderSetup.isEmpty()) {
        QFile::remove(folder.path(folderSetup));
        QVERIFY(folder.dir().mkdir(folderSetup));
    }
    const Run r = zelvoCheck({target, "--at", "2026-12-07 08:00"});
    QCOMPARE(r.exitCode, status);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(r.out.contains("\nKeine Box ist eingerichtet: keine Zeile kann gesendet werden"),
             folderSetup.startsWith("<no box"));
}

void TestZelvoCheck::misnamedList_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("reported"); // empty: nothing to say
    const QString daily = "zlv-tag.txt fehlt, aber da ist \"%1\": Zelvo liest diese Datei nicht – bitte in "
                          "zlv-tag.txt umbenennen\n";
    for (const char *name : {"Zlv-Tag.txt", "zlv-tag.txt.txt", "zlv_tag.txt", "zlv-tag", "ZLV TAG.TXT"})
        QTest::newRow(name) << name << daily.arg(name);
    QTest::newRow("weekly") << "Zlv-Woch.txt"
                            << "zlv-woch.txt fehlt, aber da ist \"Zlv-Woch.txt\": Zelvo liest diese Datei nicht – "
                               "bitte in zlv-woch.txt umbenennen\n";
    QTest::newRow("right name") << "zlv-tag.txt" << QString();
    QTest::newRow("another list") << "zlv-tag-alt.txt" << QString();
}

void TestZelvoCheck::misnamedList()
{
    QFETCH(QString, saved);
    QFETCH(QString, reported);
    TempFolder folder;
    folder.write("boxip.ini", kBoxList);
    folder.write(saved, "07:25 07:30 p 2 Muell\n");
    const Run r = zelvoCheck({folder.dir().path(), "--at", "2026-12-07 08:00"});
    QCOMPARE(r.exitCode, reported.isEmpty() ? 0 : 1);
    QVERIFY2(reported.isEmpty() ? !r.out.contains("umbenennen") : r.out.contains(reported), qPrintable(r.out));
    QCOMPARE(r.out.contains("1 Liste ist falsch benannt und wird nicht gelesen."), !reported.isEmpty());
}

void TestZelvoCheck::reportsFindingsAndNextDue()
{
    TempFolder folder;
    folder.write("boxip.ini", kBoxList);
    folder.write("zlv-tag.txt", "07:25 07:30 p 2 Muell rausbringen\r\n7:25 07:30 p 2 nie\r\n");
    folder.write("zlv-woch.txt", "Mo 06:45 07:00 m 1 Zeitung\r\n");
    folder.write("zlv-term.txt", "24-12-2026 ??:00 18:30 P 4 Bescherung ★%0Aund Essen\r\n");

    const Run r = zelvoCheck({folder.dir().path(), "--at", "2026-12-24 07:00"});
    QCOMPARE(r.exitCode, 1);
    const QString out = r.out;
    QVERIFY2(out.contains("zlv-tag.txt: 2 Zeilen\n"
                          "  Zeile 2: Uhrzeit \"7:25\" muss fünf Zeichen haben (07:25) – diese Zeile wird nie gesendet\n"),
             qPrintable(out));
    QVERIFY(out.contains("  Zeile 1: Tageskürzel \"Mo\" muss klein geschrieben werden (mo) – diese Zeile wird nie "
                         "gesendet\n"));
    QVERIFY(out.contains("  Zeile 1: Hinweis: Art \"P\" ist groß geschrieben"));
    QVERIFY(out.contains("  Zeile 1: Hinweis: Box 4 ist in boxip.ini nicht eingerichtet"));
    QVERIFY(out.contains("2 Zeilen werden nie gesendet, 2 Hinweise.\n"));
    QVERIFY(out.contains("Die nächsten 10 Erinnerungen:\n"));
    QVERIFY(out.contains("Do 24.12.2026 07:00:40  zlv-term.txt Zeile 1  Box 4 (nicht eingerichtet: wird nicht "
                         "gesendet)  Meldung\n"
                         "    | Es ist der 24-12-2026 07:00 Uhr !\n"
                         "    | --------------------------------------------------------------\n"
                         "    | \n"
                         // As a box draws it: UTF-8, beyond any 8-bit code page.
                         "    | 18:30 Uhr  Bescherung ★\n"
                         "    | und Essen\n"));
    QVERIFY(out.contains("Do 24.12.2026 07:25:00  zlv-tag.txt Zeile 1  Box 2 (127.0.0.3)  Popup\n"
                         "    | Es ist 07:25 Uhr!\n"));
    QCOMPARE(out.count(QRegularExpression("^\\S\\S \\d\\d\\.\\d\\d\\.\\d{4} ", QRegularExpression::MultilineOption)),
             10);
}

void TestZelvoCheck::calendarsChecked()
{
    // Each calendar read as Zelvo reads it: the refused ones named, the
    // others' reminders in the preview.
    const auto calendar = [](const QByteArray &events) {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//DE\r\n" + events + "END:VCALENDAR\r\n";
    };
    TempFolder folder;
    folder.write("boxip.ini", kBoxList);
    folder.write("chor.ics", calendar("BEGIN:VEVENT\r\nUID:c\r\nDTSTART;TZID=Europe/Berlin:20261224T180000\r\n"
                                      "SUMMARY:Chor\r\nBEGIN:VALARM\r\nTRIGGER:-PT30M\r\nEND:VALARM\r\nEND:VEVENT\r\n"));
    folder.write("gross.ics", calendar("X-PAD:" + QByteArray(6 * 1024 * 1024, 'x') + "\r\n"));
    folder.write("kaputt.ics", "kein Kalender\r\n");
    folder.write("ruhe.ics", calendar("BEGIN:VEVENT\r\nUID:r\r\nDTSTART:20261225T090000Z\r\nSUMMARY:Ruhe\r\nEND:VEVENT\r\n"));
    QByteArray many;
    for (int i = 0; i <= 20000; ++i)
        many += "BEGIN:VEVENT\r\nUID:" + QByteArray::number(i) + "\r\nDTSTART:20261224T100000Z\r\nEND:VEVENT\r\n";
    folder.write("viele.ics", calendar(many));

    const Run r = zelvoCheck({folder.dir().path(), "--at", "2026-12-24 07:00"});
    QVERIFY2(r.out.contains("  Kalender gross.ics: größer als 5 MB (6.0 MB), nicht gelesen\n"
                            "  Kalender kaputt.ics: kein iCalendar-Text (BEGIN:VCALENDAR fehlt)\n"
                            "  Kalender viele.ics: mehr als 20000 Termine (20001), nicht gelesen\n\n"),
             qPrintable(r.out));
    QVERIFY2(r.out.contains("Aus Kalendern in den nächsten 7 Tagen:\n\n"
                            "Do 24.12.2026 17:30:00  Kalender chor.ics  Box 1  Popup\n    | 18:00 Chor\n"
                            "Fr 25.12.2026 10:00:00  Kalender ruhe.ics  Box 1  Popup\n    | 10:00 Ruhe\n\n"),
             qPrintable(r.out));
}

void TestZelvoCheck::workingFolderByDefault()
{
    TempFolder folder;
    folder.write("boxip.ini", kBoxList);
    folder.write("zlv-tag.txt", "07:25 07:30 p 2 a\n");
    const Run r = zelvoCheck({"--at", "2026-12-07 08:00"}, folder.dir().path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(folder.dir().absolutePath()));
    QVERIFY(!r.out.contains("\nMo 07.12.2026")); // 07:25 has passed today
    QVERIFY(r.out.contains("Di 08.12.2026 07:25:00  zlv-tag.txt Zeile 1"));

    // --folder names the same folder from anywhere.
    const Run named = zelvoCheck({"--folder", folder.dir().path(), "--at", "2026-12-07 08:00"}, QDir::rootPath());
    QCOMPARE(named.exitCode, 0);
    QCOMPARE(named.out, r.out);
}

void TestZelvoCheck::jsonLines()
{
    TempFolder folder;
    folder.write("boxip.ini", kBoxList);
    folder.write("zlv-tag.txt", "07:25 07:30 p 2 Muell\n7:25 07:30 p 2 nie\n");
    const Run r = zelvoCheck({folder.dir().path(), "--json", "--at", "2026-10-25 01:00"});
    QCOMPARE(r.exitCode, 1);
    QList<QJsonObject> lines;
    for (const QString &l : r.out.split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError e;
        const QJsonDocument d = QJsonDocument::fromJson(l.toUtf8(), &e);
        QVERIFY2(e.error == QJsonParseError::NoError && d.isObject(), qPrintable(l));
        lines << d.object();
    }
    QList<QJsonObject> findings, due;
    for (const QJsonObject &o : lines) {
        if (o["type"] == "finding")
            findings << o;
        if (o["type"] == "due")
            due << o;
    }
    QCOMPARE(findings.size(), 1);
    QCOMPARE(findings[0]["line"].toInt(), 2);
    QCOMPARE(findings[0]["severity"].toString(), "never");
    QCOMPARE(findings[0]["code"].toString(), "trigger");
    QCOMPARE(findings[0]["message"].toString(),
             "Zeile 2: Uhrzeit \"7:25\" muss fünf Zeichen haben (07:25) – diese Zeile wird nie gesendet");
    QCOMPARE(due.size(), 10);
    QCOMPARE(due[0]["at"].toString(), "2026-10-25T07:25:00+01:00");
    QCOMPARE(due[0]["time"].toString(), "07:25:00");
    QCOMPARE(due[0]["box"].toInt(), 2);
    QCOMPARE(due[0]["address"].toString(), "127.0.0.3");
    QCOMPARE(due[0]["kind"].toString(), "popup");
    QCOMPARE(due[0]["text"].toString(), "Es ist 07:25 Uhr!\n" + QString(62, '-') + "\n\n07:30 Uhr Muell");
    const QJsonObject summary = lines.last();
    QCOMPARE(summary["type"].toString(), "summary");
    QCOMPARE(summary["status"].toInt(), 1);
    QCOMPARE(summary["neverFiring"].toInt(), 1);
}

void TestZelvoCheck::addressesNeverContacted_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("reason"); // empty: contacted

    QTest::newRow("octet too large") << "999.1.1.1" << "keine IPv4-Adresse: eine Zahl ist größer als 255";
    QTest::newRow("port") << "10.0.0.2:8080" << "";
    QTest::newRow("port out of range") << "10.0.0.2:80800" << "Port \"80800\" ist keine Zahl von 1 bis 65535";
    QTest::newRow("IPv6") << "[::1]:8080" << "";
    QTest::newRow("0x0") << "0x0" << "0.0.0.0 ist dieser Rechner selbst (0.0.0.0/8), keine Box";
    QTest::newRow("multicast") << "224.0.0.1" << "224.0.0.1 ist eine Multicast-Adresse, keine Box";
    QTest::newRow("broadcast") << "0xffffffff"
                               << "255.255.255.255 ist Broadcast oder reserviert (240.0.0.0/4), keine Box";
    QTest::newRow("zeros are decimal") << "192.168.000.010" << "";
}

void TestZelvoCheck::addressesNeverContacted()
{
    QFETCH(QString, address);
    QFETCH(QString, reason);
    TempFolder folder;
    folder.write("boxip.ini", address.toLatin1() + "\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    folder.write("zlv-tag.txt", "07:25 07:30 p 1 Muell\n");

    const Run text = zelvoCheck({folder.dir().path(), "--at", "2026-12-07 08:00"});
    QCOMPARE(text.exitCode, reason.isEmpty() ? 0 : 1);
    const QString line = QStringLiteral("  Box 1 (%1) wird nie angesprochen: %2\n").arg(address, reason);
    QVERIFY2(reason.isEmpty() ? !text.out.contains("angesprochen") : text.out.contains(line), qPrintable(text.out));
    QCOMPARE(text.out.contains("aber 1 Box wird nie angesprochen."), !reason.isEmpty());

    const Run json = zelvoCheck({folder.dir().path(), "--json", "--at", "2026-12-07 08:00"});
    const QJsonObject boxes = QJsonDocument::fromJson(json.out.split('\n').first().toUtf8()).object();
    QCOMPARE(boxes.value("file").toString(), QString("boxip.ini"));
    const QJsonArray never = boxes.value("neverContacted").toArray();
    QCOMPARE(never.size(), reason.isEmpty() ? 0 : 1);
    if (!reason.isEmpty()) {
        QCOMPARE(never.at(0).toObject().value("box").toInt(), 1);
        QCOMPARE(never.at(0).toObject().value("address").toString(), address);
        QCOMPARE(never.at(0).toObject().value("reason").toString(), reason);
    }
}

void TestZelvoCheck::badCommandLine()
{
    TempFolder folder;
    for (const QStringList &args : {QStringList{"--at", "24.12.2026 07:00"}, QStringList{"--at", "2026-03-29 02:30"},
                                    QStringList{"--bogus"}, QStringList{"a", "b"},
                                    QStringList{"a", "--folder", "b"}}) {
        const Run r = zelvoCheck(args, folder.dir().path());
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("Aufruf: zelvo-check"));
        QVERIFY(r.out.isEmpty());
    }
    const Run help = zelvoCheck({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("Rückgabewert"));
}

void TestZelvoCheck::repeatedHourShowsItsOffset()
{
    TempFolder folder;
    folder.write("boxip.ini", kBoxList);
    folder.write("zlv-term.txt", "25-10-2026 ??:30 00:00 p 2 halb\n");
    const Run r = zelvoCheck({folder.dir().path(), "--at", "2026-10-25 01:00"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("\nSo 25.10.2026 01:30:40  zlv-term.txt"), qPrintable(r.out));
    QVERIFY(r.out.contains("\nSo 25.10.2026 02:30:40 (UTC+02:00)  zlv-term.txt"));
    QVERIFY(!r.out.contains("02:30:40 (UTC+01:00)"));
    QVERIFY(r.out.contains("\nSo 25.10.2026 03:30:40  zlv-term.txt"));
}

// Pipes named like every file: nothing waits for a writer, each is named as
// unreadable, and lines read as Windows-1252 are named.
void TestZelvoCheck::oddFilesNeverBlock()
{
    TempFolder folder;
    for (const char *name : {"boxip.ini", "zlv-tag.txt", "zlv-woch.txt"})
        QVERIFY(mkfifo(QFile::encodeName(folder.path(name)).constData(), 0600) == 0);
    folder.write("zlv-term.txt", "24-12-2026 18:00 18:30 p 3 M\xFCll\r\n24-12-2026 18:00 18:30 p 3 M\xC3\xBCll\r\n");
    const Run r = zelvoCheck({folder.dir().path(), "--at", "2026-12-24 07:00"}, QString(), 5000);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.out.contains("zlv-tag.txt kann nicht gelesen werden: ist eine Pipe (FIFO), keine Datei\n"),
             qPrintable(r.out));
    QVERIFY(r.out.contains("zlv-woch.txt kann nicht gelesen werden: ist eine Pipe (FIFO), keine Datei\n"));
    QVERIFY(r.out.contains("Warnung: " + folder.path("zlv-term.txt")
                           + " Zeile 1: kein gültiges UTF-8, als Windows-1252 gelesen\n"));
    QCOMPARE(r.out.count("| 18:30 Uhr  Müll\n"), 2);
}


QTEST_GUILESS_MAIN(TestZelvoCheck)
#include "tst_zelvocheck.moc"
