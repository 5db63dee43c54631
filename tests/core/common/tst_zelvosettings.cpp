// zelvo.ini as the user edits it: numbers read with their defaults, a bad
// value logged once per change of the file, and writes that keep every
// other line, leave the file to its owner only and survive a full disk.
#include "SmallFileSystem.h"
#include "TempFolder.h"

#include "common/ZelvoSettings.h"

#include <QSettings>
#include <QTest>

#include <sys/stat.h>

namespace {

QStringList warnings;

void collect(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg)
        warnings << message;
}

int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

} // namespace

using Numbers = QList<int>; // hold: reminders, notices, texts; display: popup, message (-1 = unset)

class TestZelvoSettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { warnings.clear(); qInstallMessageHandler(collect); }
    void cleanup() { qInstallMessageHandler(nullptr); }
    void numbers_data();
    void numbers();
    void badValueLoggedOncePerChange();
    void writeKeepsTheRestAndTheOwnerOnly();
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
};

void TestZelvoSettings::numbers_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Numbers>("expected");
    QTest::addColumn<QString>("logged"); // the key named in the one warning, or none

    const QByteArray hold = "[Zurueckhalten_Minuten]\n";
    const QByteArray display = "[Anzeigedauer_Sekunden]\n";
    QTest::newRow("no file") << QByteArray() << Numbers{180, 2, 30, -1, -1} << QString();
    QTest::newRow("all set") << hold + "Erinnerungen=240\nStatusmeldungen = 5\nTexte=0\n" + display
                                    + "Popup=8\nMessage=0\n"
                             << Numbers{240, 5, 0, 8, 0} << QString();
    QTest::newRow("empty display time is unset") << display + "Popup=\nMessage=\n" << Numbers{180, 2, 30, -1, -1}
                                                 << QString();
    QTest::newRow("no number") << hold + "Erinnerungen=drei Stunden\n" << Numbers{180, 2, 30, -1, -1}
                               << "Zurueckhalten_Minuten/Erinnerungen = \"drei Stunden\"";
    QTest::newRow("a list is no number") << hold + "Texte=1,5\n" << Numbers{180, 2, 30, -1, -1}
                                         << "Zurueckhalten_Minuten/Texte = \"1, 5\"";
    QTest::newRow("negative") << hold + "Statusmeldungen=-1\n" << Numbers{180, 2, 30, -1, -1}
                              << "Zurueckhalten_Minuten/Statusmeldungen = \"-1\"";
    QTest::newRow("popup 0 is out of range") << display + "Popup=0\n" << Numbers{180, 2, 30, -1, -1}
                                             << "Anzeigedauer_Sekunden/Popup = \"0\"";
    QTest::newRow("longer than a day") << display + "Message=86401\n" << Numbers{180, 2, 30, -1, -1}
                                       << "Anzeigedauer_Sekunden/Message = \"86401\"";
}

void TestZelvoSettings::numbers()
{
    QFETCH(QByteArray, file);
    QFETCH(Numbers, expected);
    QFETCH(QString, logged);
    TempFolder folder;
    if (!file.isEmpty())
        folder.write("zelvo.ini", file);
    const ZelvoSettings settings(folder.dir());
    const Numbers got{settings.reminderHoldMinutes(), settings.noticeHoldMinutes(), settings.textHoldMinutes(),
                      settings.popupDisplaySeconds().value_or(-1), settings.messageDisplaySeconds().value_or(-1)};
    QCOMPARE(got, expected);
    QCOMPARE(warnings.size(), logged.isEmpty() ? 0 : 1);
    if (!logged.isEmpty())
        QVERIFY2(warnings.first().contains(folder.path("zelvo.ini") + ": " + logged), qPrintable(warnings.first()));
}

void TestZelvoSettings::badValueLoggedOncePerChange()
{
    TempFolder folder;
    folder.write("zelvo.ini", "[Zurueckhalten_Minuten]\nTexte=x\n");
    const ZelvoSettings settings(folder.dir());
    for (int tick = 0; tick < 3; ++tick)
        QCOMPARE(settings.textHoldMinutes(), 30);
    QCOMPARE(warnings.size(), 1);
    folder.write("zelvo.ini", "[Zurueckhalten_Minuten]\nTexte=45\n");
    QCOMPARE(settings.textHoldMinutes(), 45);
    // (another size: QSettings takes a file of the same size and time as unchanged)
    folder.write("zelvo.ini", "[Zurueckhalten_Minuten]\nTexte=yyy\n");
    QCOMPARE(settings.textHoldMinutes(), 30);
    QCOMPARE(warnings.size(), 2);
}

// What the user wrote and what a later version keeps there stays, line by
// line; QSettings reads the layout back, and old layouts read as before.
void TestZelvoSettings::writeKeepsTheRestAndTheOwnerOnly()
{
    TempFolder folder;
    {
        QSettings old(folder.path("zelvo.ini"), QSettings::IniFormat);
        old.setValue("Verlauf/size", QSize(900, 400));
        old.setValue("Verlauf/columns", QStringList{"100", "110", "80", "60", "300"});
    }
    QVERIFY(QFile::setPermissions(folder.path("zelvo.ini"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                                 | QFile::ReadOther));
    ZelvoSettings settings(folder.dir());
    QCOMPARE(settings.deliveryWindowLayout().size, QSize(900, 400));
    QCOMPARE(settings.deliveryWindowLayout().columnWidths, (QList<int>{100, 110, 80, 60, 300}));

    const QByteArray others = "; von Hand\n[Box2]\nBenutzer=root\nPasswort=\"a;b\"\n\n[Zurueckhalten_Minuten]\nTexte=45\n";
    folder.write("zelvo.ini", others + "[Verlauf]\nsize=@Size(1 1)\nkuenftig=ja\n");
    QCOMPARE(settings.setDeliveryWindowLayout({QSize(1100, 520), {118, 112, 90, 60, 420}}), QString());
    QCOMPARE(folder.read("zelvo.ini"),
             others + "[Verlauf]\nsize=@Size(1100 520)\nkuenftig=ja\ncolumns=118, 112, 90, 60, 420\n");
    QCOMPARE(modeOf(folder.path("zelvo.ini")), 0600);
    const QSettings read(folder.path("zelvo.ini"), QSettings::IniFormat);
    QCOMPARE(read.value("Verlauf/size").toSize(), QSize(1100, 520));
    QCOMPARE(read.value("Verlauf/columns").toStringList(), (QStringList{"118", "112", "90", "60", "420"}));
    QCOMPARE(read.value("Box2/Passwort").toString(), QString("a;b"));
    QCOMPARE(settings.textHoldMinutes(), 45);

    TempFolder fresh;
    QCOMPARE(ZelvoSettings(fresh.dir()).setDeliveryWindowLayout({QSize(500, 200), {1, 2}}), QString());
    QCOMPARE(fresh.read("zelvo.ini"), QByteArray("[Verlauf]\nsize=@Size(500 200)\ncolumns=1, 2\n"));
    QCOMPARE(modeOf(fresh.path("zelvo.ini")), 0600);
}

void TestZelvoSettings::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("oldFile");
    QTest::newRow("replacing") << true;
    QTest::newRow("first write") << false;
}

void TestZelvoSettings::fullDiskKeepsTheOldFile()
{
    QFETCH(bool, oldFile);
    SmallFileSystem fs;
    if (!fs.mounted())
        QSKIP("needs root, for a file system in a private mount namespace");
    const QByteArray old = "[Box1]\nPasswort=geheim\n";
    if (oldFile) {
        QFile file(fs.filePath("zelvo.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    }
    QVERIFY(fs.fillUp());
    const QStringList before = QDir(fs.path()).entryList(QDir::AllEntries | QDir::Hidden);

    const QString error = ZelvoSettings(QDir(fs.path())).setDeliveryWindowLayout({QSize(800, 300), {1, 2, 3}});
    QVERIFY2(error.endsWith("der Datenträger ist voll"), qPrintable(error));
    QCOMPARE(QDir(fs.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    if (oldFile) {
        QFile file(fs.filePath("zelvo.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
    }
}

int main(int argc, char *argv[])
{
    PrivateNetwork::enter(); // while the process has a single thread
    QCoreApplication app(argc, argv);
    TestZelvoSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvosettings.moc"
