// The one address rule, applied by HTTP and the echo probe alike. Runs in a
// network and mount namespace of its own: the "boxes" are addresses on its
// lo, and names come from its own /etc/hosts. Then the only name server is
// a UDP socket of this test that answers ("no such name") only when told to:
// a box name that hangs in DNS costs only its own box.
#include "PrivateNetwork.h"
#include "Messages.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"
#include "boxes/SendResultText.h"
#include "boxes/BoxAddress.h"
#include "boxes/HttpTransport.h"
#include "boxes/NameLookup.h"
#include "boxes/BoxSender.h"
#include "engine/Engine.h"
#include "watch/IcmpEcho.h"

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

using Verdict = BoxAddress::Verdict;

namespace {
QString g_noNamespace;
const QString kHanging = QStringLiteral("box-haengt");
const char *kEngineThatQuits = "--engine-that-quits";

// A whole engine whose box 1 is the hanging name, ended as "Beenden" ends it
// while the look-up is under way; exits 0 when it was.
int runEngineThatQuits(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), "box-haengt\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n");
    Engine::Options options;
    options.folder = folder.dir();
    auto engine = std::make_unique<Engine>(options);
    engine->start(); // the status watch looks the name up
    engine->sender()->sendTo(kHanging, nmsg(QStringLiteral("x")), MessageOrigin());
    QTest::qWait(300);
    return NameLookup::lookupsUnderWay() == 1 ? 0 : 2;
}
} // namespace

class TestBoxAddress : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void oneRule_data();
    void oneRule();
    void hangingNameCostsOnlyItsOwnBox();
    void abandonedLookupEndsUnobserved();
    void quitDoesNotWaitForALookup();

private:
    int queries(bool answer = false);

    std::unique_ptr<TempFolder> m_folder;
    QUdpSocket m_dns;
    QList<QNetworkDatagram> m_queries;
    int m_answered = 0;
};

void TestBoxAddress::initTestCase()
{
    if (!g_noNamespace.isEmpty())
        QSKIP(qPrintable(g_noNamespace));
    QVERIFY(PrivateNetwork::ip({"link", "set", "lo", "up"}));
    for (const char *box : {"10.77.0.2/32", "192.168.0.10/32", "10.1.1.1/32"})
        QVERIFY(PrivateNetwork::ip({"addr", "add", box, "dev", "lo"}));
    m_folder = std::make_unique<TempFolder>();
    m_folder->write("hosts", "127.0.0.1 localhost\n10.77.0.2 box-eins\n0.0.0.0 null-box\n224.0.0.1 gruppen-box\n"
                             "255.255.255.255 alle-box\n240.0.0.7 reserve-box\n");
    QVERIFY(PrivateNetwork::useHostsFile(m_folder->path("hosts")));
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(true));
}

void TestBoxAddress::oneRule_data()
{
    QTest::addColumn<QString>("configured");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("contacted"); // the address the GET and the echo go to

    const int usable = int(Verdict::Usable), refused = int(Verdict::Refused);
    const int notAddress = int(Verdict::NotAnAddress), unresolved = int(Verdict::Unresolved);
    QTest::newRow("0x0") << "0x0" << refused << "";
    QTest::newRow("0X0") << "0X0" << refused << "";
    QTest::newRow("0x00000000") << "0x00000000" << refused << "";
    QTest::newRow("0xffffffff") << "0xffffffff" << refused << "";
    QTest::newRow("broadcast") << "255.255.255.255" << refused << "";
    QTest::newRow("multicast") << "224.0.0.1" << refused << "";
    QTest::newRow("reserved") << "240.0.0.1" << refused << "";
    QTest::newRow("0.1.2.3") << " 0.1.2.3 " << refused << "";
    QTest::newRow("zeros read as decimal") << "192.168.000.010" << usable << "192.168.0.10";
    QTest::newRow("leading zero octet") << "010.1.1.1" << usable << "10.1.1.1";
    QTest::newRow("127.1 as the resolver reads it") << "127.1" << usable << "127.0.0.1";
    QTest::newRow("one number as the resolver reads it") << "2130706433" << usable << "127.0.0.1";
    QTest::newRow("loopback box") << "127.0.0.2" << usable << "127.0.0.2";
    QTest::newRow("name") << "box-eins" << usable << "10.77.0.2";
    QTest::newRow("name for 0.0.0.0") << "null-box" << refused << "";
    QTest::newRow("name for multicast") << "gruppen-box" << refused << "";
    QTest::newRow("name for broadcast") << "alle-box" << refused << "";
    QTest::newRow("name for reserved") << "reserve-box" << refused << "";
    QTest::newRow("unknown name") << "keine-box" << unresolved << "";
    QTest::newRow("octet too large") << "999.1.1.1" << notAddress << "";
    // %1: the port the test's web server listens on, not the transport's.
    QTest::newRow("port") << "10.77.0.2:%1" << usable << "10.77.0.2";
    QTest::newRow("name and port") << "box-eins:%1" << usable << "10.77.0.2";
    QTest::newRow("IPv6 and port") << "[::1]:%1" << usable << "::1";
    QTest::newRow("IPv6") << "::1" << usable << "::1";
    QTest::newRow("IPv6 multicast") << "[ff02::1]:%1" << refused << "";
    QTest::newRow("port 0") << "10.77.0.2:0" << notAddress << "";
    QTest::newRow("port too large") << "10.77.0.2:65536" << notAddress << "";
    QTest::newRow("port no number") << "box-eins:http" << notAddress << "";
    QTest::newRow("IPv6 bracket open") << "[::1:8080" << notAddress << "";
    QTest::newRow("user info") << "user@127.0.0.1" << notAddress << "";
}

void TestBoxAddress::oneRule()
{
    QFETCH(QString, configured);
    QFETCH(int, verdict);
    QFETCH(QString, contacted);

    // A server on every address of this namespace sees where the GET goes.
    const bool ipv6 = configured.contains("::");
    RecordingHttpServer server;
    QVERIFY(server.listen(ipv6 ? QHostAddress::LocalHostIPv6 : QHostAddress::AnyIPv4));
    const bool withPort = configured.contains("%1");
    if (withPort)
        configured = configured.arg(server.port());
    const BoxAddress box = BoxAddress::resolve(configured);
    QCOMPARE(int(box.verdict()), verdict);
    QCOMPARE(box.usable() ? box.dotted() : QString(), contacted);
    QCOMPARE(box.reason().isEmpty(), box.usable());

    // The echo goes to the same address, or nowhere.
    const EchoResult echo = IcmpEcho::probe(configured);
    QCOMPARE(echo.outcome == EchoResult::Outcome::Reply, box.usable());

    // So does the GET, to the address's port where it names one.
    HttpTransport transport(withPort ? quint16(9) : server.port(), 3000);
    QSignalSpy done(&transport, &HttpTransport::done);
    transport.submit(configured, nmsg("x"));
    QVERIFY(done.wait(3000));
    const auto result = done.at(0).at(1).value<SendResult>();
    if (box.usable()) {
        QCOMPARE(result.httpStatus, 200);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests().at(0).localAddress.toString(), contacted);
        QVERIFY(server.requests().at(0).head.contains("\r\nHost: " + box.urlHost().toLatin1() + ':'
                                                      + QByteArray::number(server.port()) + "\r\n"));
    } else {
        QCOMPARE(result.outcome, DeliveryOutcome::NotSent);
        QCOMPARE(result.httpStatus, 0);
        QCOMPARE(SendResultText::reason(result), box.reason());
        QTest::qWait(20);
        QCOMPARE(server.connectionCount(), 0);
    }
}

// The queries the name server got so far; with answer, each is answered.
int TestBoxAddress::queries(bool answer)
{
    while (m_dns.hasPendingDatagrams())
        m_queries << m_dns.receiveDatagram();
    for (; answer && m_answered < m_queries.size(); ++m_answered) {
        QByteArray a = m_queries.at(m_answered).data();
        int end = 12; // the header, then the question's name, type and class
        while (end < a.size() && a.at(end) != 0)
            end += uchar(a.at(end)) + 1;
        a.truncate(end + 5);
        a[2] = char(a.at(2) | 0x80); // an answer: NXDOMAIN, no records
        a[3] = char(0x83);
        a.replace(6, 6, QByteArray(6, 0));
        m_dns.writeDatagram(a, m_queries.at(m_answered).senderAddress(), quint16(m_queries.at(m_answered).senderPort()));
    }
    return int(m_queries.size());
}

void TestBoxAddress::hangingNameCostsOnlyItsOwnBox()
{
    m_folder->write("resolv.conf", "nameserver 127.0.0.53\noptions timeout:30 attempts:5\n");
    m_folder->write("nsswitch.conf", "hosts: files dns\n");
    for (const char *file : {"resolv.conf", "nsswitch.conf"})
        QVERIFY(PrivateNetwork::useFile(m_folder->path(file), QStringLiteral("/etc/") + file));
    QVERIFY(m_dns.bind(QHostAddress(QStringLiteral("127.0.0.53")), 53));
    RecordingHttpServer box1;
    QVERIFY(box1.listen(QHostAddress(QStringLiteral("10.77.0.2"))));
    HttpTransport transport(box1.port(), 3000);
    QSignalSpy done(&transport, &HttpTransport::done);
    QSet<quint64> toHanging;
    for (int i = 0; i < 8; ++i)
        toHanging.insert(transport.submit(kHanging, nmsg(QString::number(i))));
    for (int i = 0; i < 5; ++i)
        transport.submit(QStringLiteral("box-eins"), nmsg(QString::number(i)));

    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 13, 15000);
    QCOMPARE(box1.requests().size(), 5);
    for (const QList<QVariant> &d : std::as_const(done)) {
        const bool hanging = toHanging.contains(d.at(0).toULongLong());
        const auto result = d.at(1).value<SendResult>();
        const QString why = SendResultText::reason(result);
        QCOMPARE(result.httpStatus, hanging ? 0 : 200);
        QVERIFY2(!hanging || why == QStringLiteral("Name nach 3 s noch nicht aufgelöst")
                     || why.startsWith(QStringLiteral("nicht gesendet nach 3 s (wartete")),
                 qPrintable(why));
    }
    QCOMPARE(queries(), 1); // one look-up for all eight, still under way
}

void TestBoxAddress::abandonedLookupEndsUnobserved()
{
    auto transport = std::make_unique<HttpTransport>(80, 60000);
    transport->submit(kHanging, nmsg(QStringLiteral("später")));
    QCOMPARE(queries(), 1); // it joined the look-up under way
    transport.reset();      // gone, without waiting for the look-up
    // The look-up ends now (search domains may ask more); its answer finds nobody.
    QTRY_VERIFY_WITH_TIMEOUT((queries(true), NameLookup::lookupsUnderWay() == 0), 10000);
    QTest::qWait(100);
}

void TestBoxAddress::quitDoesNotWaitForALookup()
{
    const int before = queries();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kEngineThatQuits)});
    QVERIFY(child.waitForFinished(30000)); // the look-up hangs for 150 s
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(queries(), before + 1); // the watch and the message shared one look-up
}

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], kEngineThatQuits) == 0)
        return runEngineThatQuits(argc, argv); // in the namespace it inherited
    // Before QCoreApplication: namespaces are entered while the process
    // still has a single thread.
    g_noNamespace = PrivateNetwork::enter();
    QCoreApplication app(argc, argv);
    TestBoxAddress test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_boxaddress.moc"
