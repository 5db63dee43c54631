#include "TempFolder.h"
#include "engine/AutostartEntry.h"

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
    QCOMPARE(AutostartEntry::path(), m_config.path("autostart/zelvo.desktop"));
    QVERIFY(!AutostartEntry::isOn());
    QString error;
    QVERIFY2(AutostartEntry::turnOn("/usr/bin/zelvo", &error), qPrintable(error));
    QVERIFY(AutostartEntry::isOn());
    const QByteArray text = m_config.read("autostart/zelvo.desktop");
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nExec=\"/usr/bin/zelvo\" --default-folder\n"));
    QVERIFY(text.contains("\nName=Zelvo\n"));
    QVERIFY(text.contains("\nIcon=zelvo\n"));
    QVERIFY2(AutostartEntry::turnOff(&error), qPrintable(error));
    QVERIFY(!AutostartEntry::isOn());
    QVERIFY2(AutostartEntry::turnOff(&error), "off twice is no fault");
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
    QVERIFY2(AutostartEntry::text(program).contains("\n" + exec + " --default-folder\n"),
             AutostartEntry::text(program).constData());
}

void TestAutostartEntry::validatesAsDesktopEntry()
{
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is missing (scripts/install-deps.sh installs it)");
    QString error;
    QVERIFY(AutostartEntry::turnOn("/opt/mein zelvo/zelvo", &error));
    QProcess validate;
    validate.start(validator, {AutostartEntry::path()});
    QVERIFY(validate.waitForFinished());
    QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    QVERIFY(AutostartEntry::turnOff(&error));
}

QTEST_GUILESS_MAIN(TestAutostartEntry)
#include "tst_autostartentry.moc"
