// The one address rule, applied by HTTP and the echo probe alike. Runs in a
// network and mount namespace of its own: the "boxes" are addresses on its
// lo, and names come from its own /etc/hosts.
#include "PrivateNetwork.h"
#include "Messages.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"
#include "boxes/BoxAddress.h"
#include "boxes/HttpTransport.h"
#include "watch/IcmpEcho.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

using Verdict = BoxAddress::Verdict;

namespace {
QString g_noNamespace;
}

class TestBoxAddress : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void oneRule_data();
    void oneRule();

private:
    std::unique_ptr<TempFolder> m_folder;
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
    QTest::newRow("port") << "10.0.0.2:8080" << notAddress << "";
    QTest::newRow("IPv6") << "::1" << notAddress << "";
    QTest::newRow("user info") << "user@127.0.0.1" << notAddress << "";
}

void TestBoxAddress::oneRule()
{
    QFETCH(QString, configured);
    QFETCH(int, verdict);
    QFETCH(QString, contacted);

    const BoxAddress box = BoxAddress::resolve(configured);
    QCOMPARE(int(box.verdict()), verdict);
    QCOMPARE(box.usable() ? box.dotted() : QString(), contacted);
    QCOMPARE(box.reason().isEmpty(), box.usable());

    // The echo goes to the same address, or nowhere.
    const EchoResult echo = IcmpEcho::probe(configured);
    QCOMPARE(echo.outcome == EchoResult::Outcome::Reply, box.usable());

    // So does the GET; a server on every address of this namespace sees where.
    RecordingHttpServer server;
    QVERIFY(server.listen(QHostAddress::AnyIPv4));
    HttpTransport transport(server.port(), 3000);
    QSignalSpy done(&transport, &HttpTransport::finished);
    transport.send(configured, nmsg("x"));
    QVERIFY(done.size() == 1 || done.wait(3000));
    if (box.usable()) {
        QCOMPARE(done.at(0).at(2).toInt(), 200);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests().at(0).localAddress.toString(), contacted);
        QVERIFY(server.requests().at(0).head.contains("\r\nHost: " + configured.trimmed().toLatin1() + ':'));
    } else {
        QCOMPARE(done.at(0).at(2).toInt(), 0);
        QCOMPARE(done.at(0).at(3).toString(), box.reason());
        QTest::qWait(20);
        QCOMPARE(server.connectionCount(), 0);
    }
}

int main(int argc, char *argv[])
{
    // Before QCoreApplication: namespaces are entered while the process
    // still has a single thread.
    g_noNamespace = PrivateNetwork::enter();
    QCoreApplication app(argc, argv);
    TestBoxAddress test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_boxaddress.moc"
