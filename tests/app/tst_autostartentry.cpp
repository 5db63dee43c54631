#include "TempFolder.h"
#include "app/AutostartEntry.h"
#include "engine/DefaultFolder.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class TestAutostartEntry : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void onAndOff();
    void programQuoted_data();
    void programQuoted();
    void entryPerFolder_data();
    void entryPerFolder();
    void validatesAsDesktopEntry();

private:
    TempFolder m_config;
    QByteArray m_oldConfig;
};

void TestAutostartEntry::initTestCase()
{
    m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_config.dir().path().toLocal8Bit());
}

void TestAutostartEntry::cleanupTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
}

void TestAutostartEntry::onAndOff()
{
    const AutostartEntry entry(DefaultFolder::path());
    QCOMPARE(entry.path(), m_config.path("autostart/zelvo.desktop"));
    QVERIFY(!entry.isOn());
    QString error;
    QVERIFY2(entry.turnOn("/usr/bin/zelvo", &error), qPrintable(error));
    QVERIFY(entry.isOn());
    const QByteArray text = m_config.read("autostart/zelvo.desktop");
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nExec=\"/usr/bin/zelvo\" --default-folder\n"));
    QVERIFY(text.contains("\nName=Zelvo\n"));
    QVERIFY(text.contains("\nIcon=zelvo\n"));
    QVERIFY2(entry.turnOff(&error), qPrintable(error));
    QVERIFY(!entry.isOn());
    QVERIFY2(entry.turnOff(&error), "off twice is no fault");
}

void TestAutostartEntry::programQuoted_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("exec");
    QTest::newRow("blank") << QString("/opt/mein zelvo/zelvo") << QByteArray("Exec=\"/opt/mein zelvo/zelvo\"");
    QTest::newRow("dollar") << QString("/opt/$x/zelvo") << QByteArray("Exec=\"/opt/\\\\$x/zelvo\"");
    QTest::newRow("quote") << QString("/opt/a\"b/zelvo") << QByteArray("Exec=\"/opt/a\\\\\"b/zelvo\"");
}

void TestAutostartEntry::programQuoted()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, exec);
    const QByteArray text = AutostartEntry(DefaultFolder::path()).text(program);
    QVERIFY2(text.contains("\n" + exec + " --default-folder\n"), text.constData());
}

void TestAutostartEntry::entryPerFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("exec");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("folderInComment");
    const QString home = QDir::homePath();
    QTest::newRow("~/Zelvo") << home + "/Zelvo" << "zelvo.desktop" << QByteArray("--default-folder")
                             << QByteArray("Zelvo") << QByteArray("~/Zelvo");
    QTest::newRow("a folder at home") << home + "/Keller/Zelvo" << "zelvo-Zelvo-*.desktop"
                                      << "--folder \"" + (home + "/Keller/Zelvo").toUtf8() + '"'
                                      << QByteArray("Zelvo (~/Keller/Zelvo)") << QByteArray("~/Keller/Zelvo");
    QTest::newRow("elsewhere, a blank") << "/srv/mein zelvo" << "zelvo-mein_zelvo-*.desktop"
                                        << QByteArray("--folder \"/srv/mein zelvo\"")
                                        << QByteArray("Zelvo (/srv/mein zelvo)") << QByteArray("/srv/mein zelvo");
}

void TestAutostartEntry::entryPerFolder()
{
    QFETCH(QString, folder);
    const AutostartEntry entry(folder);
    QFETCH(QString, file);
    QVERIFY2(QDir::match(m_config.path("autostart/") + file, entry.path()), qPrintable(entry.path()));
    const QByteArray text = entry.text("/usr/bin/zelvo");
    QFETCH(QByteArray, exec);
    QVERIFY2(text.contains("\nExec=\"/usr/bin/zelvo\" " + exec + "\n"), text.constData());
    QFETCH(QByteArray, name);
    QVERIFY2(text.contains("\nName=" + name + "\n"), text.constData());
    QFETCH(QByteArray, folderInComment);
    QVERIFY2(text.contains("Ordner " + folderInComment + "\n"), text.constData());

    // Two folders, two entries: turning one on leaves the other off.
    QString error;
    QVERIFY(entry.turnOn("/usr/bin/zelvo", &error));
    QVERIFY(!AutostartEntry(folder + "-anders").isOn());
    QVERIFY(entry.turnOff(&error));
}

void TestAutostartEntry::validatesAsDesktopEntry()
{
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty())
        QSKIP("the tool desktop-file-validate is missing: make test installs it");
    QString error;
    const AutostartEntry entry("/srv/mein $zelvo");
    QVERIFY(entry.turnOn("/opt/mein zelvo/zelvo", &error));
    QProcess validate;
    validate.start(validator, {entry.path()});
    QVERIFY(validate.waitForFinished());
    QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    QVERIFY(entry.turnOff(&error));
}

QTEST_GUILESS_MAIN(TestAutostartEntry)
#include "tst_autostartentry.moc"
