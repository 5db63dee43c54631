// Real zelvo processes in temporary folders, a real boxsim on port 80 of
// 127.0.0.2, everything inside a network namespace of this test: one Zelvo
// per folder, and `zelvo send` with and without a running Zelvo.
#include "PrivateNetwork.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"

#include "boxes/nhttpd/RequestTarget.h"
#include "app/InstanceLock.h"
#include "app/SendCommand.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

QString g_noNamespace;

// Box 1 answers (boxsim), box 2 refuses every connection, 3 and 4 unset.
const QByteArray kBoxipIni = "127.0.0.2\r\n127.0.0.3\r\n0.0.0.0\r\n0.0.0.0\r\n0\r\n0\r\n0\r\n0\r\n";

struct Ran {
    int status = -1;
    QString err;
};

} // namespace

class TestInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void secondStartHandsOverAndEnds();
    void secondStartBesideHeadless();
    void killedZelvoNeverBlocks();
    void twoFoldersRunTwoEngines();
    void sendArrivesWhole_data();
    void sendArrivesWhole();
    void exitStatus_data();
    void exitStatus();
    void stoppedZelvoSendsOnce();
    void wrongCallExitsTwo_data();
    void wrongCallExitsTwo();

private:
    QProcess *startZelvo(const TempFolder &folder, const QStringList &args = {});
    Ran run(const QStringList &args, const TempFolder &folder, const QByteArray &input = {}, int answerMs = 0);
    QList<QJsonObject> boxRequests() const;
    static bool waitUntil(const std::function<bool()> &ok, int ms = 10000);

    QTemporaryDir m_runtime;
    QTemporaryDir m_boxLog;
    QProcess m_boxsim;
    QList<QProcess *> m_zelvos;
};

void TestInstance::initTestCase()
{
    if (!g_noNamespace.isEmpty())
        QSKIP(qPrintable(g_noNamespace));
    QVERIFY(PrivateNetwork::ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")}));
    QVERIFY(m_runtime.isValid());
    QFile::setPermissions(m_runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit()); // InstanceLock names the sockets from it
    m_boxsim.setProcessChannelMode(QProcess::MergedChannels);
    m_boxsim.start(QStringLiteral(BOXSIM_BIN), {QStringLiteral("--address"), QStringLiteral("127.0.0.2"),
                                               QStringLiteral("--out"), m_boxLog.filePath(QStringLiteral("box1.jsonl"))});
    QVERIFY(waitUntil([this] {
        m_boxsim.waitForReadyRead(100);
        return m_boxsim.peek(4096).contains("wartet auf");
    }));
}

void TestInstance::cleanupTestCase()
{
    m_boxsim.kill();
    m_boxsim.waitForFinished();
}

void TestInstance::cleanup()
{
    for (QProcess *p : m_zelvos) {
        p->kill();
        p->waitForFinished();
        delete p;
    }
    m_zelvos.clear();
    QFile::resize(m_boxLog.filePath(QStringLiteral("box1.jsonl")), 0); // boxsim appends to it
}

bool TestInstance::waitUntil(const std::function<bool()> &ok, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!ok()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(50);
    }
    return true;
}

static QProcessEnvironment environment(const QString &runtime)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return env;
}

// A Zelvo that runs, once its socket answers.
QProcess *TestInstance::startZelvo(const TempFolder &folder, const QStringList &args)
{
    auto *p = new QProcess;
    m_zelvos << p;
    p->setProcessEnvironment(environment(m_runtime.path()));
    p->setWorkingDirectory(folder.dir().path());
    p->start(QStringLiteral(ZELVO_BIN), args);
    if (!p->waitForStarted())
        return nullptr;
    const QString socketName = InstanceLock(folder.dir()).socketName();
    const bool serving = waitUntil([&] {
        QLocalSocket probe;
        probe.connectToServer(socketName);
        return probe.waitForConnected(100);
    });
    return serving ? p : nullptr;
}

// Runs zelvo while this test's own event loop turns (for its servers).
Ran TestInstance::run(const QStringList &args, const TempFolder &folder, const QByteArray &input, int answerMs)
{
    QProcess p;
    QProcessEnvironment env = environment(m_runtime.path());
    if (answerMs > 0)
        env.insert(QStringLiteral("ZELVO_TEST_SEND_ANSWER_MS"), QString::number(answerMs));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder.dir().path());
    p.start(QStringLiteral(ZELVO_BIN), args);
    p.write(input);
    p.closeWriteChannel();
    Ran r;
    if (!waitUntil([&] { return p.state() == QProcess::NotRunning; }, 30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QList<QJsonObject> TestInstance::boxRequests() const
{
    QList<QJsonObject> out;
    QFile f(m_boxLog.filePath(QStringLiteral("box1.jsonl")));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            out << QJsonDocument::fromJson(line).object();
    return out;
}

void TestInstance::secondStartHandsOverAndEnds()
{
    TempFolder folder;
    QProcess *first = startZelvo(folder);
    QVERIFY(first);
    QElapsedTimer t;
    t.start();
    const Ran second = run({}, folder);
    QCOMPARE(second.status, 0);
    QVERIFY2(second.err.contains(QStringLiteral("läuft in diesem Ordner")), qPrintable(second.err));
    QVERIFY2(second.err.contains(QString::number(first->processId())), qPrintable(second.err));
    QVERIFY(second.err.contains(QStringLiteral("Fenster wird gezeigt")));
    QCOMPARE(first->state(), QProcess::Running);
}

void TestInstance::secondStartBesideHeadless()
{
    TempFolder folder;
    QProcess *first = startZelvo(folder, {QStringLiteral("--headless")});
    QVERIFY(first);
    const Ran second = run({}, folder);
    QCOMPARE(second.status, 0);
    // No window to promise: the second start says the first runs without one.
    QVERIFY2(second.err.contains(QStringLiteral("läuft ohne Fenster")), qPrintable(second.err));
    QCOMPARE(first->state(), QProcess::Running);
}

void TestInstance::killedZelvoNeverBlocks()
{
    TempFolder folder;
    QProcess *first = startZelvo(folder);
    QVERIFY(first);
    first->kill(); // SIGKILL: the lock and socket files stay behind
    QVERIFY(first->waitForFinished());
    QProcess *next = startZelvo(folder);
    QVERIFY(next);
    QTest::qWait(300);
    QCOMPARE(next->state(), QProcess::Running);
    // It holds the folder now: a further start names it.
    const Ran third = run({}, folder);
    QCOMPARE(third.status, 0);
    QVERIFY2(third.err.contains(QString::number(next->processId())), qPrintable(third.err));
}

void TestInstance::twoFoldersRunTwoEngines()
{
    TempFolder a;
    TempFolder b;
    QProcess *first = startZelvo(a);
    QProcess *second = startZelvo(b);
    QVERIFY(first && second);
    QTest::qWait(300);
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(second->state(), QProcess::Running);
}

void TestInstance::sendArrivesWhole_data()
{
    QTest::addColumn<bool>("zelvoRuns");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("arrives");
    const QString text = QStringLiteral("Tür & Tor #1: Größe\\nzweite Zeile");
    const QString whole = QStringLiteral("Tür & Tor #1: Größe\nzweite Zeile");
    QTest::newRow("alone, argument") << false << QStringList{QStringLiteral("--box"), QStringLiteral("1"), text}
                                     << QByteArray() << QStringLiteral("nmsg") << whole;
    QTest::newRow("through Zelvo, argument")
        << true << QStringList{QStringLiteral("--box"), QStringLiteral("1"), QStringLiteral("--wait"), text}
        << QByteArray() << QStringLiteral("nmsg") << whole;
    QTest::newRow("alone, stdin, popup")
        << false << QStringList{QStringLiteral("--popup"), QStringLiteral("--box=1"), QStringLiteral("-")}
        << QByteArray("T\xc3\xbcr & Tor #1: Gr\xc3\xb6\xc3\x9f" "e\nzweite Zeile\n") << QStringLiteral("popup") << whole;
    QTest::newRow("through Zelvo, stdin")
        << true << QStringList{QStringLiteral("--box"), QStringLiteral("1"), QStringLiteral("-")}
        << QByteArray("T\xc3\xbcr & Tor #1: Gr\xc3\xb6\xc3\x9f" "e\r\nzweite Zeile\n") << QStringLiteral("nmsg") << whole;
    // Far beyond one request: cut as a typed text is, never refused or sent around Zelvo.
    const QByteArray huge(10 << 20, 'x');
    const Message cut{MessageKind::Message, QString::fromLatin1(huge)};
    const QString shown = RequestTarget::decode(RequestTarget::encode(cut, FirmwareKind::New).target)->text;
    for (const bool runs : {false, true})
        QTest::addRow("%s, 10 MB from stdin", runs ? "through Zelvo" : "alone")
            << runs << QStringList{QStringLiteral("--box=1"), QStringLiteral("-")} << huge << QStringLiteral("nmsg") << shown;
}

void TestInstance::sendArrivesWhole()
{
    QFETCH(bool, zelvoRuns);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, kind);
    QFETCH(QString, arrives);
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), kBoxipIni);
    QProcess *zelvo = zelvoRuns ? startZelvo(folder) : nullptr;
    if (zelvoRuns) {
        QVERIFY(zelvo);
        // The running Zelvo learns the box's web server from its status watch.
        QVERIFY(waitUntil([this] { return !boxRequests().isEmpty(); }));
        QTest::qWait(300);
    }
    const int before = int(boxRequests().size());
    const Ran sent = run(QStringList{QStringLiteral("send")} + args, folder, input);
    QCOMPARE(sent.status, 0);
    QVERIFY(waitUntil([&] { return boxRequests().size() > before; }));
    QJsonObject last;
    for (const QJsonObject &r : boxRequests())
        if (r.value(QStringLiteral("kind")).toString() != QStringLiteral("query") && r.value(QStringLiteral("text")).isString())
            last = r;
    QCOMPARE(last.value(QStringLiteral("kind")).toString(), kind);
    QCOMPARE(last.value(QStringLiteral("text")).toString(), arrives);
    QByteArray log; // the running Zelvo sent it, not zelvo send around it
    QVERIFY(!zelvo || waitUntil([&] { return (log += zelvo->readAllStandardError()).contains("GET 127.0.0.2 /control/message?"); }));
}

void TestInstance::exitStatus_data()
{
    QTest::addColumn<bool>("zelvoRuns");
    QTest::addColumn<bool>("wait");
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("named");
    for (const bool runs : {false, true}) {
        for (const bool wait : {false, true}) {
            // Only a running Zelvo asked not to wait answers before a refusal is known.
            const bool known = wait || !runs;
            // Box 2 answers echo, its web server refuses: its mode cannot be
            // learnt, and a running Zelvo holds the message.
            const int refused = runs && wait ? SendCommand::kHeld : int(known);
            const QString how = QString::fromLatin1(runs ? "through Zelvo" : "alone") + (wait ? ", --wait" : "");
            QTest::addRow("%s: the answering box", qPrintable(how)) << runs << wait << QStringLiteral("1") << 0 << QString();
            QTest::addRow("%s: the refusing box", qPrintable(how)) << runs << wait << QStringLiteral("2") << refused << (known ? QStringLiteral("Box 2 (127.0.0.3)") : QString());
            QTest::addRow("%s: every configured box", qPrintable(how)) << runs << wait << QString() << refused << QString();
            QTest::addRow("%s: an unconfigured box", qPrintable(how)) << runs << wait << QStringLiteral("3") << 1 << QStringLiteral("Box 3 ist nicht eingerichtet");
        }
    }
}

void TestInstance::exitStatus()
{
    QFETCH(bool, zelvoRuns);
    QFETCH(bool, wait);
    QFETCH(QString, boxes);
    QFETCH(int, status);
    QFETCH(QString, named);
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), kBoxipIni);
    if (zelvoRuns)
        QVERIFY(startZelvo(folder));
    QStringList args{QStringLiteral("send")};
    if (wait)
        args << QStringLiteral("--wait");
    if (!boxes.isEmpty())
        args << QStringLiteral("--box") << boxes;
    const Ran sent = run(args << QStringLiteral("Waschmaschine fertig"), folder);
    QCOMPARE(sent.status, status);
    if (!named.isEmpty())
        QVERIFY2(sent.err.contains(named), qPrintable(sent.err));
    QVERIFY2(!sent.err.contains(QStringLiteral("Box 1 (")), qPrintable(sent.err));
}

// A Zelvo stopped across `zelvo send` gets the message when it goes on;
// the client gives up without sending it a second time.
void TestInstance::stoppedZelvoSendsOnce()
{
    RecordingHttpServer box;
    QVERIFY(box.listen(QHostAddress(QStringLiteral("127.0.0.6")), 80));
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), "127.0.0.6\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n0\r\n0\r\n0\r\n0\r\n");
    QProcess *zelvo = startZelvo(folder);
    QVERIFY(zelvo);
    ::kill(pid_t(zelvo->processId()), SIGSTOP);
    const Ran sent = run({QStringLiteral("send"), QStringLiteral("einmal")}, folder, {}, 1000);
    ::kill(pid_t(zelvo->processId()), SIGCONT);
    QCOMPARE(sent.status, 1);
    QVERIFY2(sent.err.contains(QStringLiteral("in 1 s nicht geantwortet - ob sie gesendet wird, ist unbekannt")),
             qPrintable(sent.err));
    const auto once = [&box] {
        const QList<QByteArray> targets = box.targets();
        return int(std::count_if(targets.cbegin(), targets.cend(), [](const QByteArray &t) { return t.contains("einmal"); }));
    };
    QVERIFY(waitUntil([&] { return once() > 0; }));
    // A second message through the same Zelvo: no copy of the first comes after it.
    QCOMPARE(run({QStringLiteral("send"), QStringLiteral("--wait"), QStringLiteral("danach")}, folder).status, 0);
    QCOMPARE(once(), 1);
}

void TestInstance::wrongCallExitsTwo_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("boxipIni");
    const QByteArray ini = kBoxipIni;
    QTest::newRow("no text") << QStringList{QStringLiteral("send")} << ini;
    QTest::newRow("two texts") << QStringList{QStringLiteral("send"), QStringLiteral("a"), QStringLiteral("b")} << ini;
    QTest::newRow("box 5") << QStringList{QStringLiteral("send"), QStringLiteral("--box"), QStringLiteral("5"), QStringLiteral("x")} << ini;
    QTest::newRow("box list of words") << QStringList{QStringLiteral("send"), QStringLiteral("--box=eins"), QStringLiteral("x")} << ini;
    QTest::newRow("popup and message") << QStringList{QStringLiteral("send"), QStringLiteral("--popup"), QStringLiteral("--message"), QStringLiteral("x")} << ini;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("send"), QStringLiteral("--laut"), QStringLiteral("x")} << ini;
    QTest::newRow("folder missing") << QStringList{QStringLiteral("send"), QStringLiteral("--folder"), QStringLiteral("/nicht/da"), QStringLiteral("x")} << ini;
    QTest::newRow("empty text") << QStringList{QStringLiteral("send"), QString()} << ini;
    QTest::newRow("control characters only") << QStringList{QStringLiteral("send"), QStringLiteral("\x01\\n\t")} << ini;
    // boxip.ini beyond the size a list may have cannot be read.
    QTest::newRow("boxip.ini unreadable") << QStringList{QStringLiteral("send"), QStringLiteral("x")} << QByteArray(3 * 1024 * 1024, 'a');
}

void TestInstance::wrongCallExitsTwo()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, boxipIni);
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), boxipIni);
    const Ran ran = run(args, folder);
    QCOMPARE(ran.status, 2);
    QVERIFY2(ran.err.contains(QStringLiteral("zelvo send")), qPrintable(ran.err));
    QVERIFY(boxRequests().isEmpty());
}

int main(int argc, char *argv[])
{
    // Before QCoreApplication: the namespace must be entered while the
    // process still has a single thread.
    g_noNamespace = PrivateNetwork::enter();
    QCoreApplication app(argc, argv);
    TestInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instance.moc"
