// The real zelvo program and its lock: a lock that cannot be taken is named
// and ends with 1, a Zelvo that is just ending is waited for, and each
// ending signal leaves neither lock nor socket behind.
#include "PrivateNetwork.h"
#include "SmallFileSystem.h"

#include "engine/InstanceLock.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

static QString g_noNamespace;

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
    void start(QProcess &p, const QString &runtime, const QStringList &args);
    QTemporaryDir m_folder;
};

void TestInstanceLock::start(QProcess &p, const QString &runtime, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start(ZELVO_BIN, QStringList{"--folder", m_folder.path()} + args);
}

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
    if (!g_noNamespace.isEmpty() || !fs.error().isEmpty())
        QSKIP(qPrintable(g_noNamespace + fs.error()));
    const QByteArray fallback = QFile::encodeName(fs.path(QString("zelvo-runtime-%1").arg(::getuid())));
    const QByteArray target = QFile::encodeName(fs.path("target"));
    QVERIFY(::mkdir(target.constData(), 0755) == 0);
    if (cause.contains("anderen"))
        QVERIFY(::mkdir(fallback.constData(), 0700) == 0 && ::chown(fallback.constData(), 65534, 65534) == 0);
    else if (cause.contains("Verknüpfung"))
        QVERIFY(::symlink(target.constData(), fallback.constData()) == 0);
    else
        QVERIFY(fs.makeReadOnly());
    QProcess p;
    qputenv("TMPDIR", fs.dir().path().toLocal8Bit()); // the fallback folder's parent
    start(p, cause.contains("Dateisystem") ? fs.dir().path() : QString(), {"--headless"});
    qunsetenv("TMPDIR");
    QVERIFY(p.waitForFinished(20000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(err.contains("kann in diesem Ordner nicht starten") && err.contains(cause), qPrintable(err));
    struct stat st {};
    QVERIFY(::stat(target.constData(), &st) == 0 && (st.st_mode & 07777) == 0755);
}

void TestInstanceLock::endingHolderIsWaitedFor()
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    InstanceLock ending{QDir(m_folder.path())};
    QCOMPARE(ending.tryLock(), InstanceLock::State::Taken);
    QProcess p;
    start(p, runtime.path(), {"--headless"});
    QTimer::singleShot(1000, [&] { ending.release(); });
    QByteArray err;
    QTRY_VERIFY2_WITH_TIMEOUT((err += p.readAllStandardError()).contains("läuft ohne Fenster"), err.constData(), 15000);
    p.kill();
    p.waitForFinished();
}

void TestInstanceLock::signalEndsCleanly_data()
{
    QTest::addColumn<bool>("window");
    QTest::addColumn<int>("signal");
    for (const bool window : {false, true}) {
        QTest::addRow("%s, SIGTERM", window ? "window" : "headless") << window << SIGTERM;
        QTest::addRow("%s, SIGINT", window ? "window" : "headless") << window << SIGINT;
        QTest::addRow("%s, SIGHUP", window ? "window" : "headless") << window << SIGHUP;
    }
}

void TestInstanceLock::signalEndsCleanly()
{
    QFETCH(bool, window);
    QFETCH(int, signal);
    QTemporaryDir runtime;
    QProcess p;
    start(p, runtime.path(), window ? QStringList{} : QStringList{"--headless"});
    QTRY_VERIFY_WITH_TIMEOUT(QDir(runtime.path()).entryList({"*.socket"}, QDir::System).size() == 1, 15000);
    QVERIFY(::kill(pid_t(p.processId()), signal) == 0);
    QVERIFY(p.waitForFinished(15000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    const QString name = signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : "SIGHUP";
    QVERIFY(p.readAllStandardError().contains(QString("Zelvo beendet (%1)").arg(name).toUtf8()));
    QCOMPARE(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

int main(int argc, char *argv[])
{
    // The namespace must be entered while the process has a single thread.
    g_noNamespace = PrivateNetwork::enter();
    QCoreApplication app(argc, argv);
    TestInstanceLock test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instancelock.moc"
