// A box name that hangs in DNS costs only its own box. Runs in a network and
// mount namespace of its own: /etc/hosts names one box, and the only name
// server is a UDP socket of this test that answers only when told to.
#include "Messages.h"
#include "PrivateNetwork.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"
#include "boxes/HttpTransport.h"
#include "boxes/NameLookup.h"
#include "boxes/RequestChannel.h"
#include "engine/Engine.h"

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

namespace {

QString g_noNamespace;
const QString kHanging = QStringLiteral("box-haengt"); // only DNS could know it
const QString kKnown = QStringLiteral("box-zwei");     // in /etc/hosts
const char *kEngineThatQuits = "--engine-that-quits";

// The name server: it records each query and answers one only on request,
// with "no such name".
class NameServer
{
public:
    bool bind() { return m_socket.bind(QHostAddress(QStringLiteral("127.0.0.53")), 53); }

    int queries()
    {
        for (; m_socket.hasPendingDatagrams(); ++m_count)
            m_unanswered << m_socket.receiveDatagram();
        return m_count;
    }

    void answerAll()
    {
        queries();
        for (const QNetworkDatagram &q : std::as_const(m_unanswered)) {
            QByteArray a = q.data();
            int end = 12; // behind the header: the question's name, then type and class
            while (end < a.size() && a.at(end) != 0)
                end += uchar(a.at(end)) + 1;
            a.truncate(end + 5);
            a[2] = char(uchar(a.at(2)) | 0x80); // an answer
            a[3] = char(0x83);                  // NXDOMAIN
            for (int i = 6; i < 12; ++i)
                a[i] = 0;
            m_socket.writeDatagram(a, q.senderAddress(), quint16(q.senderPort()));
        }
        m_unanswered.clear();
    }

private:
    QUdpSocket m_socket;
    QList<QNetworkDatagram> m_unanswered;
    int m_count = 0;
};

// The child process: a whole engine whose box 1 is the hanging name, ended
// while the look-up is under way, as "Beenden" does.
int runEngineThatQuits(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), "box-haengt\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n");
    Engine::Options options;
    options.folder = folder.dir();
    auto *engine = new Engine(options);
    engine->start(); // the status watch looks the name up
    engine->channel(1)->send(kHanging, nmsg(QStringLiteral("x")));
    int status = 1;
    QTimer::singleShot(300, &app, [&] {
        status = NameLookup::lookupsUnderWay() == 1 ? 0 : 2;
        app.quit();
    });
    app.exec();
    delete engine;
    return status;
}

} // namespace

class TestNameLookup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void hangingNameCostsOnlyItsOwnBox();
    void abandonedLookupEndsUnobserved();
    void quitDoesNotWaitForALookup();

private:
    std::unique_ptr<TempFolder> m_folder;
    NameServer m_dns;
};

void TestNameLookup::initTestCase()
{
    if (!g_noNamespace.isEmpty())
        QSKIP(qPrintable(g_noNamespace));
    QVERIFY(PrivateNetwork::ip({"link", "set", "lo", "up"}));
    QVERIFY(PrivateNetwork::ip({"addr", "add", "10.77.0.2/32", "dev", "lo"}));
    m_folder = std::make_unique<TempFolder>();
    m_folder->write("hosts", "127.0.0.1 localhost\n10.77.0.2 box-zwei\n");
    m_folder->write("resolv.conf", "nameserver 127.0.0.53\noptions timeout:30 attempts:5\n");
    m_folder->write("nsswitch.conf", "hosts: files dns\n");
    QVERIFY(PrivateNetwork::useHostsFile(m_folder->path("hosts")));
    QVERIFY(PrivateNetwork::useFile(m_folder->path("resolv.conf"), "/etc/resolv.conf"));
    QVERIFY(PrivateNetwork::useFile(m_folder->path("nsswitch.conf"), "/etc/nsswitch.conf"));
    QVERIFY(m_dns.bind());
}

void TestNameLookup::hangingNameCostsOnlyItsOwnBox()
{
    RecordingHttpServer box2;
    QVERIFY(box2.listen(QHostAddress(QStringLiteral("10.77.0.2"))));
    HttpTransport transport(box2.port(), 3000);
    QSignalSpy done(&transport, &HttpTransport::finished);
    for (int i = 0; i < 8; ++i)
        transport.send(kHanging, nmsg(QStringLiteral("hängt %1").arg(i)));
    for (int i = 0; i < 5; ++i)
        transport.send(kKnown, nmsg(QString::number(i)));

    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 13, 15000);
    QCOMPARE(box2.requests().size(), 5);
    for (const QList<QVariant> &d : std::as_const(done)) {
        const QString why = d.at(3).toString();
        if (d.at(0).toString() == kKnown) {
            QCOMPARE(d.at(2).toInt(), 200);
        } else {
            QCOMPARE(d.at(2).toInt(), 0);
            QVERIFY2(why == QStringLiteral("Name nach 3 s noch nicht aufgelöst")
                         || why.startsWith(QStringLiteral("nicht gesendet nach 3 s (wartete")),
                     qPrintable(why));
        }
    }
    QCOMPARE(m_dns.queries(), 1); // one look-up for all of them, still under way
    QCOMPARE(NameLookup::lookupsUnderWay(), 1);
}

void TestNameLookup::abandonedLookupEndsUnobserved()
{
    {
        HttpTransport transport(80, 60000);
        transport.send(kHanging, nmsg(QStringLiteral("später")));
        QCOMPARE(m_dns.queries(), 1); // it joined the look-up under way
    } // gone while waiting, without waiting for the look-up

    // Now the look-up ends (search domains may add queries); its answer finds nobody.
    QTRY_VERIFY_WITH_TIMEOUT((m_dns.answerAll(), NameLookup::lookupsUnderWay() == 0), 10000);
    QTest::qWait(100);

    // The next message to that name looks it up afresh.
    HttpTransport transport(80, 60000);
    QSignalSpy done(&transport, &HttpTransport::finished);
    transport.send(kHanging, nmsg(QStringLiteral("neu")));
    QTRY_VERIFY_WITH_TIMEOUT((m_dns.answerAll(), done.size() == 1), 10000);
    QVERIFY(done.at(0).at(3).toString().startsWith(QStringLiteral("Name nicht auflösbar")));
}

void TestNameLookup::quitDoesNotWaitForALookup()
{
    const int before = m_dns.queries();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kEngineThatQuits)});
    // The look-up would hang for 150 s; the child must end long before that.
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0); // it quit with its look-up under way
    QCOMPARE(m_dns.queries(), before + 1); // the watch and the message shared it
}

int main(int argc, char *argv[])
{
    // Before QCoreApplication: namespaces are entered while the process
    // still has a single thread. The child inherits them.
    if (argc > 1 && qstrcmp(argv[1], kEngineThatQuits) == 0)
        return runEngineThatQuits(argc, argv);
    g_noNamespace = PrivateNetwork::enter();
    QCoreApplication app(argc, argv);
    TestNameLookup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_namelookup.moc"
