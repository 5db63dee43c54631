// The real zelvo and its lock: a lock that cannot be taken is named and ends
// with 1, a Zelvo that is just ending is waited for, and each ending signal
// leaves neither lock nor socket behind, with and without a window.
#include "SmallFileSystem.h"

#include "app/InstanceLock.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

class TestInstanceLock : public QObject
{
    Q_OBJECT
private slots:
    void lockFailureIsNamed_data();
    void lockFailureIsNamed();
    void endingHolderIsWaitedFor();
    void signalEndsCleanly_data();
    void signalEndsCleanly();

private:
    void start(QProcess &p, const QString &runtime, const QStringList &args = {"--headless"})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime); // empty: the fallback folder in TMPDIR
        p.setProcessEnvironment(env);
        p.start(ZELVO_BIN, QStringList{"--folder", m_folder.path()} + args);
    }
    QTemporaryDir m_folder;
};

void TestInstanceLock::lockFailureIsNamed_data()
{
    QTest::addColumn<QString>("cause");
    QTest::newRow("read-only runtime folder") << "das Dateisystem ist schreibgeschützt";
    QTest::newRow("another user's fallback folder") << "gehört einem anderen Benutzer";
    QTest::newRow("symlinked fallback folder") << "ist eine symbolische Verknüpfung";
}

void TestInstanceLock::lockFailureIsNamed()
{
    QFETCH(QString, cause);
    SmallFileSystem fs;
    if (!fs.mounted())
        QSKIP("needs root, for a file system in a private mount namespace");
    const QByteArray fallback = QFile::encodeName(fs.filePath(QString("zelvo-runtime-%1").arg(::getuid())));
    const QByteArray target = QFile::encodeName(fs.filePath("target"));
    QVERIFY(::mkdir(target.constData(), 0755) == 0);
    if (cause.contains("anderen"))
        QVERIFY(::mkdir(fallback.constData(), 0700) == 0 && ::chown(fallback.constData(), 65534, 65534) == 0);
    else if (cause.contains("Verknüpfung"))
        QVERIFY(::symlink(target.constData(), fallback.constData()) == 0);
    else
        QVERIFY(fs.makeReadOnly());
    qputenv("TMPDIR", fs.path().toLocal8Bit());
    QProcess p;
    start(p, cause.contains("Dateisystem") ? fs.path() : QString());
    qunsetenv("TMPDIR");
    QVERIFY(p.waitForFinished(20000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(err.contains("kann in diesem Ordner nicht starten") && err.contains(cause), qPrintable(err));
    struct stat st {};
    QVERIFY(::stat(target.constData(), &st) == 0 && (st.st_mode & 07777) == 0755); // never chmod through a link
}

void TestInstanceLock::endingHolderIsWaitedFor()
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    InstanceLock ending{QDir(m_folder.path())};
    QCOMPARE(ending.tryLock(), InstanceLock::State::Taken);
    QProcess p;
    start(p, runtime.path());
    QTimer::singleShot(1000, [&] { ending.release(); });
    QByteArray err;
    QTRY_VERIFY2_WITH_TIMEOUT((err += p.readAllStandardError()).contains("läuft ohne Fenster"), err, 15000);
    p.kill();
    p.waitForFinished();
}

void TestInstanceLock::signalEndsCleanly_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("name");
    for (const QStringList &args : {QStringList{"--headless"}, QStringList{}}) {
        const char *how = args.isEmpty() ? "window" : "headless";
        QTest::addRow("%s, SIGTERM", how) << args << SIGTERM << "SIGTERM";
        QTest::addRow("%s, SIGINT", how) << args << SIGINT << "SIGINT";
        QTest::addRow("%s, SIGHUP", how) << args << SIGHUP << "SIGHUP";
    }
}

void TestInstanceLock::signalEndsCleanly()
{
    QFETCH(QStringList, args);
    QFETCH(int, signal);
    QFETCH(QString, name);
    QTemporaryDir runtime;
    QProcess p;
    start(p, runtime.path(), args);
    QTRY_COMPARE_WITH_TIMEOUT(QDir(runtime.path()).entryList({"*.socket"}, QDir::System).size(), 1, 15000);
    QVERIFY(::kill(pid_t(p.processId()), signal) == 0);
    QVERIFY(p.waitForFinished(15000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains("Zelvo beendet (" + name + ")"));
    QCOMPARE(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

int main(int argc, char *argv[])
{
    PrivateNetwork::enter(); // while the process has a single thread
    QCoreApplication app(argc, argv);
    TestInstanceLock test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instancelock.moc"
