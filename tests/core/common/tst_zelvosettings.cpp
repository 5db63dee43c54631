// zelvo.ini as the user edits it: numbers with their defaults, a bad value
// logged once per change of the file, writes that keep every other line,
// leave the file to its owner only and survive a full disk.
#include "SmallFileSystem.h"
#include "TempFolder.h"

#include "common/ZelvoSettings.h"

#include <QSettings>
#include <QTest>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList g_childLog;

// Runs what in a child process, as user nobody when asked, so that a hang
// cannot stop the test: true when it ended in time and what returned true.
bool inChild(const std::function<bool()> &what, bool asNobody = false)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(60); // a hang ends here
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) { g_childLog << text; });
        if (asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ::_exit(what() ? 0 : 1);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

using Numbers = QList<int>; // hold: reminders, notices, texts; display: popup, message (-1: unset)

class TestZelvoSettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".")); } // every warning expected
    void numbers_data();
    void numbers();
    void badValueLoggedOncePerChange();
    void loginWithAComma();
    void writeKeepsTheRestForTheOwnerOnly();
    void fullDiskKeepsTheOldFile();
    void notAPlainFile();
    void othersMayReadIt_data();
    void othersMayReadIt();
    void editableRoundTrip_data();
    void editableRoundTrip();
    void announcesWhatChanged_data();
    void announcesWhatChanged();
};

void TestZelvoSettings::numbers_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Numbers>("expected");
    QTest::addColumn<QString>("logged"); // the one warning, after the file's path, or none
    const Numbers defaults{180, 2, 30, -1, -1};
    const QByteArray hold = "[Zurueckhalten_Minuten]\n", display = "[Anzeigedauer_Sekunden]\n";
    QTest::newRow("no file") << QByteArray() << defaults << QString();
    QTest::newRow("all set") << hold + "Erinnerungen=240\nStatusmeldungen = 5\nTexte=0\n" + display
                                    + "Popup=8\nMessage=0\n" << Numbers{240, 5, 0, 8, 0} << QString();
    QTest::newRow("empty is unset") << display + "Popup=\n" << defaults << QString();
    QTest::newRow("no number") << hold + "Erinnerungen=drei\n" << defaults
                               << "Zurueckhalten_Minuten/Erinnerungen = \"drei\" ist keine Zahl von 0 bis 10080, "
                                  "es gilt 180";
    QTest::newRow("a list") << hold + "Texte=1,5\n" << defaults
                            << "Zurueckhalten_Minuten/Texte = \"1, 5\" ist keine Zahl von 0 bis 10080, es gilt 30";
    QTest::newRow("popup 0") << display + "Popup=0\n" << defaults
                             << "Anzeigedauer_Sekunden/Popup = \"0\" ist keine Zahl von 1 bis 86400, "
                                "es gilt die Vorgabe der Box";
}

void TestZelvoSettings::numbers()
{
    QFETCH(QByteArray, file);
    QFETCH(Numbers, expected);
    QFETCH(QString, logged);
    TempFolder folder;
    if (!file.isEmpty())
        folder.write("zelvo.ini", file);
    if (!logged.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(folder.path("zelvo.ini") + ": " + logged));
    const ZelvoSettings s(folder.dir());
    QCOMPARE((Numbers{s.reminderHoldMinutes(), s.noticeHoldMinutes(), s.textHoldMinutes(),
                      s.popupDisplaySeconds().value_or(-1), s.messageDisplaySeconds().value_or(-1)}),
             expected);
}

void TestZelvoSettings::badValueLoggedOncePerChange()
{
    TempFolder folder;
    folder.write("zelvo.ini", "[Zurueckhalten_Minuten]\nTexte=x\n");
    ZelvoSettings settings(folder.dir());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Texte = \"x\""));
    for (int tick = 0; tick < 3; ++tick) {
        settings.check();
        QCOMPARE(settings.textHoldMinutes(), 30);
    }
    folder.write("zelvo.ini", "[Zurueckhalten_Minuten]\nTexte=45\n");
    settings.check();
    QCOMPARE(settings.textHoldMinutes(), 45);
    // (of another size: QSettings takes a file of the same size and time as unchanged)
    folder.write("zelvo.ini", "[Zurueckhalten_Minuten]\nTexte=yyy\n");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Texte = \"yyy\""));
    settings.check();
    QCOMPARE(settings.textHoldMinutes(), 30);
}

// Unquoted, a comma makes a list of the value: it is neither guessed nor shown.
void TestZelvoSettings::loginWithAComma()
{
    TempFolder folder;
    folder.write("zelvo.ini", "[Box2]\nBenutzer=root\nPasswort=ge,heim\n");
    QTest::ignoreMessage(QtWarningMsg, qPrintable(folder.path("zelvo.ini") + ": Box2/Passwort enthält ein Komma und "
                                                  "gilt nur in Anführungszeichen (\"…\"); bis dahin geht an Box 2 "
                                                  "keine Anmeldung"));
    QCOMPARE(ZelvoSettings(folder.dir()).boxLogin(2).user, QString());
}

// Lines of the user's and of later versions stay; a layout QSettings wrote
// reads as before, and what is written QSettings reads back.
void TestZelvoSettings::writeKeepsTheRestForTheOwnerOnly()
{
    TempFolder folder;
    QSettings(folder.path("zelvo.ini"), QSettings::IniFormat).setValue("Verlauf/size", QSize(900, 400));
    ZelvoSettings settings(folder.dir());
    QCOMPARE(settings.deliveryWindowLayout().size, QSize(900, 400));

    const QByteArray others = "; von Hand\n[Box2]\nPasswort=\"a;b\"\n\n[Zurueckhalten_Minuten]\nTexte=45\n";
    folder.write("zelvo.ini", others + "[Verlauf]\nsize=@Size(1 1)\nkuenftig=ja\n");
    QVERIFY(QFile::setPermissions(folder.path("zelvo.ini"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    QCOMPARE(settings.setDeliveryWindowLayout({QSize(1100, 520), {118, 112, 90}}), QString());
    QCOMPARE(folder.read("zelvo.ini"), others + "[Verlauf]\nsize=@Size(1100 520)\nkuenftig=ja\ncolumns=118, 112, 90\n");
    const QSettings read(folder.path("zelvo.ini"), QSettings::IniFormat);
    QCOMPARE(read.value("Verlauf/columns").toStringList(), (QStringList{"118", "112", "90"}));
    QCOMPARE(read.value("Box2/Passwort").toString(), QString("a;b"));
    QCOMPARE(settings.deliveryWindowLayout().size, QSize(1100, 520));

    TempFolder fresh;
    QCOMPARE(ZelvoSettings(fresh.dir()).setDeliveryWindowLayout({QSize(500, 200), {1}}), QString());
    QCOMPARE(fresh.read("zelvo.ini"), QByteArray("[Verlauf]\nsize=@Size(500 200)\ncolumns=1\n"));
    for (const TempFolder *f : {&folder, &fresh})
        QCOMPARE(QFile::permissions(f->path("zelvo.ini")),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

void TestZelvoSettings::fullDiskKeepsTheOldFile()
{
    for (const QByteArray &old : {QByteArray("[Box1]\nPasswort=geheim\n"), QByteArray()}) {
        SmallFileSystem fs;
        if (!fs.mounted())
            QSKIP("needs root, for a file system in a private mount namespace");
        QFile file(fs.filePath("zelvo.ini"));
        QVERIFY(old.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(old) == old.size()));
        file.close();
        QVERIFY(fs.fillUp());
        const QStringList before = QDir(fs.path()).entryList(QDir::AllEntries | QDir::Hidden);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("zelvo.ini kann nicht geschrieben werden"));
        const QString error = ZelvoSettings(QDir(fs.path())).setDeliveryWindowLayout({QSize(800, 300), {1, 2}});
        QVERIFY2(error.endsWith("der Datenträger ist voll"), qPrintable(error));
        QCOMPARE(QDir(fs.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QVERIFY(old.isEmpty() || (file.open(QIODevice::ReadOnly) && file.readAll() == old));
    }
}

// What the settings dialog saves reads back the same, however the login is
// spelt, and leaves the user's own lines where they were.
void TestZelvoSettings::editableRoundTrip_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("storable");
    for (const char *password : {"geheim", "ge,heim", "a;b#c", "q\"u\"o\\te", "@@Size(1 2)", "Grüße €", " Leer ", "\"x\""})
        QTest::newRow(password) << "root" << QString::fromUtf8(password) << true;
    QTest::newRow("no login") << "" << "" << true;
    QTest::newRow("backslash and comma") << "root" << "a\\b,c" << false;
    QTest::newRow("one quote") << "root" << "a\"b" << false;
}

void TestZelvoSettings::editableRoundTrip()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, storable);
    TempFolder folder;
    const QByteArray own = "; meine Boxen\n[Box3]\nBenutzer=admin\n";
    folder.write("zelvo.ini", own);
    ZelvoSettings settings(folder.dir());
    ZelvoSettings::Editable v;
    v.logins[2] = {user, password};
    v.textHoldMinutes = 45;
    v.messageDisplaySeconds = 0;
    v.closeKeepsRunning = true;
    QCOMPARE(settings.setEditable(v).isEmpty(), storable);
    if (!storable) {
        QCOMPARE(folder.read("zelvo.ini"), own); // nothing written
        return;
    }
    QVERIFY(folder.read("zelvo.ini").startsWith("; meine Boxen\n[Box3]\n"));
    const ZelvoSettings::Editable back = ZelvoSettings(folder.dir()).editable();
    QCOMPARE(back.logins[2], (ZelvoSettings::BoxLogin{user, password}));
    QCOMPARE(back.logins[0], ZelvoSettings::BoxLogin());
    QCOMPARE(back.textHoldMinutes, 45);
    QCOMPARE(back.messageDisplaySeconds, std::optional<int>(0));
    QVERIFY(back.closeKeepsRunning);
}

void TestZelvoSettings::announcesWhatChanged_data()
{
    QTest::addColumn<QByteArray>("after"); // the file after "[Box1] Benutzer=anna Passwort=alt", then the rest
    QTest::addColumn<QStringList>("heard");
    const QByteArray login = "[Box1]\nBenutzer=anna\nPasswort=alt\n";
    QTest::newRow("a comment") << "; neu\n" + login << QStringList();
    QTest::newRow("a password") << QByteArray("[Box1]\nBenutzer=anna\nPasswort=neu\n") << QStringList{"logins"};
    QTest::newRow("a display time") << login + "[Anzeigedauer_Sekunden]\nPopup=9\n" << QStringList{"display"};
    QTest::newRow("a hold time and the window")
        << login + "[Zurueckhalten_Minuten]\nTexte=5\n[Fenster]\nBeimSchliessen=weiterlaufen\n"
        << QStringList{"hold", "window"};
    QTest::newRow("a calendar") << login + "[Kalender2]\nAdresse=a.ics\n" << QStringList{"calendars"};
    QTest::newRow("a calendar's confirmation") << login + "[Kalender]\nBestaetigen=ja\n" << QStringList{"calendars"};
}

// Each kind of value that changed is announced once, at the next check();
// a change of the file that changes no value is not.
void TestZelvoSettings::announcesWhatChanged()
{
    QFETCH(QByteArray, after);
    QFETCH(QStringList, heard);
    TempFolder folder;
    folder.write("zelvo.ini", "[Box1]\nBenutzer=anna\nPasswort=alt\n");
    ZelvoSettings settings(folder.dir());
    settings.check();
    QStringList said;
    connect(&settings, &ZelvoSettings::loginsChanged, this, [&] { said << "logins"; });
    connect(&settings, &ZelvoSettings::displayTimesChanged, this, [&] { said << "display"; });
    connect(&settings, &ZelvoSettings::holdTimesChanged, this, [&] { said << "hold"; });
    connect(&settings, &ZelvoSettings::windowChanged, this, [&] { said << "window"; });
    connect(&settings, &ZelvoSettings::calendarsChanged, this, [&] { said << "calendars"; });
    folder.write("zelvo.ini", after);
    QCOMPARE(said, QStringList()); // nothing looks by itself
    settings.check();
    settings.check();
    QCOMPARE(said, heard);
}

// Nothing waits for a writer (a FIFO), nothing is written through a link.
void TestZelvoSettings::notAPlainFile()
{
    for (const bool fifo : {true, false}) {
        TempFolder folder;
        folder.write("andere.ini", "[Zurueckhalten_Minuten]\nTexte=45\n");
        const QString path = folder.path("zelvo.ini");
        QVERIFY(fifo ? ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 : QFile::link("andere.ini", path));
        QVERIFY(inChild([&] {
            ZelvoSettings settings(folder.dir());
            return settings.textHoldMinutes() == (fifo ? 30 : 45)
                && g_childLog.filter("zelvo.ini: wird nicht gelesen (ist eine Pipe").size() == int(fifo)
                && settings.setDeliveryWindowLayout({QSize(8, 3), {1}})
                       == path + (fifo ? " ist keine gewöhnliche Datei" : " ist ein symbolischer Verweis")
                              + " und wird nicht geschrieben";
        }));
        QCOMPARE(folder.read("andere.ini"), QByteArray("[Zurueckhalten_Minuten]\nTexte=45\n"));
    }
}

void TestZelvoSettings::othersMayReadIt_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("password"); // as Zelvo takes it
    QTest::addColumn<QString>("said");
    const QString said = "enthält Passwörter und ist für andere %1, Zelvo kann das nicht ändern "
                         "(die Datei gehört einem anderen Benutzer)";
    QTest::newRow("0644") << 0644 << "geheim" << said.arg("lesbar");
    QTest::newRow("0666") << 0666 << "" << said.arg("beschreibbar") + " - die Anmeldungen gelten nicht";
}

// root's file read by another user: said once, in the log and to zelvo-check.
void TestZelvoSettings::othersMayReadIt()
{
    QFETCH(int, mode);
    QFETCH(QString, password);
    QFETCH(QString, said);
    if (::geteuid() != 0)
        QSKIP("needs root, to read a file of root's as another user");
    TempFolder folder;
    folder.write("zelvo.ini", "[Box1]\nBenutzer=root\nPasswort=geheim\n");
    QVERIFY(::chmod(QFile::encodeName(folder.dir().path()).constData(), 0755) == 0
            && ::chmod(QFile::encodeName(folder.path("zelvo.ini")).constData(), mode_t(mode)) == 0);
    QVERIFY(inChild([&] {
        const ZelvoSettings settings(folder.dir());
        return settings.boxLogin(1).password == password && settings.boxLogin(1).password == password
            && g_childLog == QStringList{folder.path("zelvo.ini: ") + said} && settings.warnings() == QStringList{said};
    }, true));
}

int main(int argc, char *argv[])
{
    PrivateNetwork::enter(); // while the process has a single thread
    QCoreApplication app(argc, argv);
    TestZelvoSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvosettings.moc"
