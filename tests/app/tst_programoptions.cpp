#include "TempFolder.h"
#include "app/DefaultFolderSetup.h"
#include "app/ProgramOptions.h"
#include "engine/DefaultFolder.h"

#include <QTest>

class TestProgramOptions : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void errorsInGerman_data();
    void errorsInGerman();
    void givenFolder();
    void defaultFolderCreatedWithReadme();
    void defaultFolderKeptAsItIs();
    void helpNamesItsProgram_data();
    void helpNamesItsProgram();
    void missingFilesNotice_data();
    void missingFilesNotice();
};

void TestProgramOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("defaultFolder");
    QTest::addColumn<bool>("headless");
    QTest::addColumn<bool>("version");
    QTest::addColumn<bool>("wrong");
    QTest::newRow("nothing: current folder") << QStringList{} << QString() << false << false << false << false;
    QTest::newRow("folder") << QStringList{"--folder", "/srv/z"} << QString("/srv/z") << false << false << false
                            << false;
    QTest::newRow("folder=") << QStringList{"--folder=/srv/z", "--headless"} << QString("/srv/z") << false << true
                             << false << false;
    QTest::newRow("default folder headless") << QStringList{"--headless", "--default-folder"} << QString() << true
                                             << true << false << false;
    QTest::newRow("version") << QStringList{"--version"} << QString() << false << false << true << false;
    QTest::newRow("both folders") << QStringList{"--folder", "/a", "--default-folder"} << QString("/a") << true
                                  << false << false << true;
    QTest::newRow("folder without a value") << QStringList{"--folder"} << QString() << false << false << false
                                            << true;
    QTest::newRow("empty folder") << QStringList{"--folder", ""} << QString() << false << false << false << true;
    QTest::newRow("unknown option") << QStringList{"--fenster"} << QString() << false << false << false << true;
    QTest::newRow("stray word") << QStringList{"ordner"} << QString() << false << false << false << true;
}

void TestProgramOptions::errorsInGerman_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown") << QStringList{"--fenster"} << "unbekannter Aufruf: unbekannte Angabe --fenster";
    QTest::newRow("no value") << QStringList{"--folder"} << "unbekannter Aufruf: --folder braucht einen Wert";
    QTest::newRow("a value to a switch") << QStringList{"--headless=ja"}
                                         << "unbekannter Aufruf: --headless nimmt keinen Wert";
}

// Qt's parser says why in English; the user reads German.
void TestProgramOptions::errorsInGerman()
{
    QFETCH(QStringList, arguments);
    arguments.prepend("zelvo");
    QTEST(ProgramOptions::parse(arguments).error, "error");
}

void TestProgramOptions::parse()
{
    QFETCH(QStringList, arguments);
    arguments.prepend("zelvo");
    const ProgramOptions o = ProgramOptions::parse(arguments);
    QFETCH(bool, wrong);
    QCOMPARE(!o.error.isEmpty(), wrong);
    if (wrong) {
        QCOMPARE(o.answer(), 2);
        return;
    }
    QTEST(o.folder, "folder");
    QTEST(o.defaultFolder, "defaultFolder");
    QTEST(o.headless, "headless");
    QTEST(o.version, "version");
}

void TestProgramOptions::givenFolder()
{
    TempFolder temp;
    QDir dir;
    QString error;
    ProgramOptions o = ProgramOptions::parse({"zelvo", "--folder", temp.dir().path()});
    QVERIFY(o.openFolder(&dir, &error));
    QCOMPARE(dir.absolutePath(), temp.dir().absolutePath());
    QVERIFY(!dir.exists("LIESMICH.txt")); // only the default folder gets one

    o = ProgramOptions::parse({"zelvo", "--folder", temp.path("fehlt")});
    QVERIFY(!o.openFolder(&dir, &error));
    QVERIFY2(error.contains("gibt es nicht"), qPrintable(error));
    QVERIFY(!QFileInfo::exists(temp.path("fehlt"))); // a typo creates nothing
}

void TestProgramOptions::defaultFolderCreatedWithReadme()
{
    TempFolder home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.dir().path().toLocal8Bit());
    const ProgramOptions o = ProgramOptions::parse({"zelvo", "--default-folder"});
    QDir dir;
    QString error;
    const bool opened = o.openFolder(&dir, &error);
    qputenv("HOME", oldHome);
    QVERIFY2(opened, qPrintable(error));
    QCOMPARE(dir.absolutePath(), home.path("Zelvo"));
    const QString readme = QString::fromUtf8(home.read("Zelvo/LIESMICH.txt"));
    for (const char *mention : {"zlv-tag.txt", "zlv-woch.txt", "zlv-term.txt", "zelvo-check", "anleitung.md"})
        QVERIFY2(readme.contains(mention), mention);
}

void TestProgramOptions::defaultFolderKeptAsItIs()
{
    // The user's folder is theirs: a deleted LIESMICH.txt stays deleted.
    TempFolder home;
    QVERIFY(home.dir().mkdir("Zelvo"));
    QString error;
    QVERIFY(DefaultFolderSetup::prepare(home.path("Zelvo"), &error));
    QVERIFY(!QFileInfo::exists(home.path("Zelvo/LIESMICH.txt")));
}

void TestProgramOptions::helpNamesItsProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("zelvo") << "zelvo";
    QTest::newRow("zelvo-headless") << "zelvo-headless";
}

void TestProgramOptions::helpNamesItsProgram()
{
    QFETCH(QString, program);
    const QString help = ProgramOptions::usage(program);
    QVERIFY2(help.startsWith("Aufruf: " + program + " [") && help.contains("Aufruf: " + program + " send ["),
             qPrintable(help));
    QVERIFY(help.section('\n', 1, 1).contains("--expire")); // send's usage line
    QCOMPARE(help.contains("--headless"), program == "zelvo");
    QVERIFY(help.contains("D-Box") && help.contains("Enigma2"));
}

void TestProgramOptions::missingFilesNotice_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("notice"); // its start; empty: none
    QTest::newRow("empty folder") << QStringList{}
                                  << "Es fehlen boxip.ini, zlv-tag.txt, zlv-woch.txt und zlv-term.txt.";
    QTest::newRow("only the lists") << QStringList{"zlv-woch.txt"} << "Es fehlt boxip.ini.";
    QTest::newRow("only boxip.ini") << QStringList{"boxip.ini"} << "Es fehlen zlv-tag.txt, zlv-woch.txt und zlv-term.txt.";
    QTest::newRow("with its LIESMICH.txt") << QStringList{"LIESMICH.txt"} << "Es fehlen boxip.ini, zlv-tag.txt";
    QTest::newRow("boxip.ini and one list") << QStringList{"boxip.ini", "zlv-term.txt"} << QString();
}

void TestProgramOptions::missingFilesNotice()
{
    QFETCH(QStringList, files);
    QFETCH(QString, notice);
    TempFolder folder;
    for (const QString &file : files)
        folder.write(file, "");
    const QString said = DefaultFolder::missingFilesNotice(folder.dir());
    QVERIFY2(said.startsWith(notice), qPrintable(said));
    if (notice.isEmpty()) {
        QVERIFY2(said.isEmpty(), qPrintable(said));
        return;
    }
    // Every file it names is there: the guide, LIESMICH.txt where the folder has one.
    QVERIFY2(said.contains("Anleitung " + DefaultFolder::guidePath() + "; zelvo-check"), qPrintable(said));
    QVERIFY(QFileInfo::exists(DefaultFolder::guidePath()));
    QCOMPARE(said.contains("LIESMICH.txt in diesem Ordner"), files.contains("LIESMICH.txt"));
}

QTEST_GUILESS_MAIN(TestProgramOptions)
#include "tst_programoptions.moc"
