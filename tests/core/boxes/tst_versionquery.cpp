// A box that accepts the question for its web server version and never
// answers it still gets its messages, on time, written for an unknown box.
// Runs in a network namespace of its own, so that the box can listen on port
// 80 of 127.0.0.2 as `zelvo send` expects.
#include "PrivateNetwork.h"
#include "RecordingHttpServer.h"
#include "ScriptedEchoProber.h"
#include "TempFolder.h"
#include "boxes/HttpTransport.h"
#include "boxes/RequestTarget.h"
#include "engine/Engine.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

namespace {

QString g_noNamespace;
QStringList g_log;

const QString kBox = QStringLiteral("127.0.0.2");
const QByteArray kBoxipIni = "127.0.0.2\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n";
const QByteArray kQuery = RequestTarget::kVersionQuery.toLatin1();
const QString kQueryFailed = QStringLiteral("Fehler bei \"127.0.0.2\" /control/info?nhttpd_version - keine Antwort nach %1 s")
                                 .arg(HttpTransport::kQueryTimeoutMs / 1000);

void collect(QtMsgType, const QMessageLogContext &, const QString &text)
{
    g_log << text;
}

} // namespace

class TestVersionQuery : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void runningEngineSendsTheNotice();
    void sendAloneSendsTheText();
};

void TestVersionQuery::initTestCase()
{
    if (!g_noNamespace.isEmpty())
        QSKIP(qPrintable(g_noNamespace));
    QVERIFY(PrivateNetwork::ip({"link", "set", "lo", "up"}));
}

void TestVersionQuery::runningEngineSendsTheNotice()
{
    RecordingHttpServer box;
    box.setUnanswered(kQuery);
    QVERIFY(box.listen(QHostAddress(kBox), 80));
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), kBoxipIni);
    ScriptedEchoProber prober;
    prober.setOutcome(kBox, EchoResult::Outcome::Reply);
    Engine::Options options;
    options.folder = folder.dir();
    options.prober = &prober;
    Engine engine(options); // the time-out of every message: 60 s
    g_log.clear();
    const QtMessageHandler before = qInstallMessageHandler(collect);
    engine.start(); // the box comes on: the question, then the notice behind it

    const bool arrived = box.waitForRequests(2, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(g_log.join('\n').contains("Antwort von 127.0.0.2 200 /control/message?nmsg="), 5000);
    qInstallMessageHandler(before);
    QVERIFY(arrived);
    QCOMPARE(box.targets().first(), kQuery);
    QVERIFY(box.targets().last().startsWith("/control/message?nmsg=Der%20Status%20der%20D-Boxen"));
    QVERIFY2(g_log.contains(kQueryFailed), qPrintable(g_log.join('\n')));
    QVERIFY2(!g_log.join('\n').contains("keine Verbindung"), qPrintable(g_log.join('\n')));
}

void TestVersionQuery::sendAloneSendsTheText()
{
    RecordingHttpServer box;
    box.setUnanswered(kQuery);
    QVERIFY(box.listen(QHostAddress(kBox), 80));
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), kBoxipIni);
    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess send;
    send.setProcessEnvironment(env);
    send.setWorkingDirectory(folder.dir().path());
    send.start(QStringLiteral(ZELVO_BIN), {"send", "--box", "1", "Tom & Jerry"});
    const bool ended = [&] { // the box is served by this process's event loop
        for (int i = 0; i < 300 && send.state() != QProcess::NotRunning; ++i)
            QTest::qWait(100);
        return send.state() == QProcess::NotRunning;
    }();
    if (!ended)
        send.kill();
    QVERIFY(ended);
    const QString err = QString::fromUtf8(send.readAllStandardError());
    QCOMPARE(send.exitCode(), 0);
    // Unknown box: "&" as a word.
    QCOMPARE(box.targets(), (QList<QByteArray>{kQuery, "/control/message?nmsg=Tom%20und%20Jerry"}));
    QVERIFY2(err.contains(kQueryFailed), qPrintable(err));
    QVERIFY2(err.contains("Antwort von 127.0.0.2 200 /control/message?nmsg=Tom%20und%20Jerry"), qPrintable(err));
}

int main(int argc, char *argv[])
{
    g_noNamespace = PrivateNetwork::enter();
    QCoreApplication app(argc, argv);
    TestVersionQuery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_versionquery.moc"
