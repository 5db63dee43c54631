// Real ICMP, inside a network namespace that this test creates for itself:
// lo carries 127.0.0.1 and the "boxes" 10.77.0.2 and 10.77.0.3; the rest of
// 10.77.0.0/24 is routed onto lo too, where nobody answers.
#include "PrivateNetwork.h"
#include "watch/IcmpEcho.h"
#include "watch/IcmpEchoProber.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <thread>

#include <arpa/inet.h>
#include <linux/capability.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

using Outcome = EchoResult::Outcome;
using Socket = EchoResult::Socket;

namespace {

QString g_noNamespace; // why the test cannot run, when it cannot

const QString kBoxOn = QStringLiteral("10.77.0.2");
const QString kOtherBoxOn = QStringLiteral("10.77.0.3");
const QString kNobody = QStringLiteral("10.77.0.9");

// Switches CAP_NET_RAW in the calling thread's effective set.
bool setNetRawEffective(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    if (on)
        data[0].effective |= 1u << CAP_NET_RAW;
    else
        data[0].effective &= ~(1u << CAP_NET_RAW);
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Sends an echo reply with a source address of our choosing to a local
// address, where every raw ICMP socket sees it.
bool forgeEchoReply(const QString &from, quint16 idNetOrder, quint16 seqNetOrder)
{
    const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW);
    if (fd < 0)
        return false;
    unsigned char packet[sizeof(iphdr) + sizeof(icmphdr) + 5] = {};
    auto *ip = reinterpret_cast<iphdr *>(packet);
    ip->version = 4;
    ip->ihl = 5;
    ip->ttl = 64;
    ip->protocol = IPPROTO_ICMP;
    ip->tot_len = htons(sizeof packet);
    ip->saddr = ::inet_addr(from.toLatin1().constData());
    ip->daddr = ::inet_addr("10.77.0.2");
    auto *icmp = reinterpret_cast<icmphdr *>(packet + sizeof(iphdr));
    icmp->type = ICMP_ECHOREPLY;
    icmp->un.echo.id = idNetOrder;
    icmp->un.echo.sequence = seqNetOrder;
    std::memcpy(packet + sizeof(iphdr) + sizeof(icmphdr), "hallo", 5);
    const quint16 sum = IcmpEcho::checksum(packet + sizeof(iphdr), sizeof(icmphdr) + 5);
    packet[sizeof(iphdr) + 2] = quint8(sum >> 8);
    packet[sizeof(iphdr) + 3] = quint8(sum & 0xFF);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = ip->daddr;
    const bool sent = ::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) > 0;
    ::close(fd);
    return sent;
}

} // namespace

class TestIcmpEcho : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void echo_data();
    void echo();
    void boxSwitchedOffAndOnByItsAddress_data();
    void boxSwitchedOffAndOnByItsAddress();
    void neverSentThere_data();
    void neverSentThere();
    void requestOnTheWire_data();
    void requestOnTheWire();
    void concurrentProbesKeepTheirReplies_data();
    void concurrentProbesKeepTheirReplies();
    void proberDeletedWhileProbing();
    void rawSocketTakesOnlyItsOwnReply_data();
    void rawSocketTakesOnlyItsOwnReply();
    void ownRequestIsNoReply_data();
    void ownRequestIsNoReply();
    void neitherSocketAllowed();

private:
    void addSocketKinds();
};

void TestIcmpEcho::initTestCase()
{
    if (!g_noNamespace.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no real ICMP here: ") + g_noNamespace));
    QVERIFY(PrivateNetwork::setUp(QStringLiteral("10.77.0.0/24")));
    QVERIFY(PrivateNetwork::ip({"addr", "add", kBoxOn + "/32", "dev", "lo"}));
    QVERIFY(PrivateNetwork::ip({"addr", "add", kOtherBoxOn + "/32", "dev", "lo"}));
}

void TestIcmpEcho::addSocketKinds()
{
    QTest::addColumn<bool>("pingSockets");
    QTest::addColumn<int>("socket");
}

void TestIcmpEcho::echo_data()
{
    QTest::addColumn<bool>("pingSockets");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("socket");

    for (const bool ping : {true, false}) {
        const char *kind = ping ? "ping socket" : "raw socket";
        const int socket = int(ping ? Socket::Ping : Socket::Raw);
        QTest::addRow("%s: box answers", kind) << ping << kBoxOn << int(Outcome::Reply) << socket;
        QTest::addRow("%s: nobody there", kind) << ping << kNobody << int(Outcome::NoReply) << socket;
        QTest::addRow("%s: loopback", kind) << ping << "127.0.0.1" << int(Outcome::Reply) << socket;
        QTest::addRow("%s: name from the hosts file", kind) << ping << "localhost" << int(Outcome::Reply) << socket;
        // The same box as HTTP reaches: zeros read as decimal, short forms as the resolver reads them.
        QTest::addRow("%s: leading zeros", kind) << ping << "010.077.000.002" << int(Outcome::Reply) << socket;
        QTest::addRow("%s: three numbers", kind) << ping << "10.77.2" << int(Outcome::Reply) << socket;
    }
}

void TestIcmpEcho::echo()
{
    QFETCH(bool, pingSockets);
    QFETCH(QString, address);
    QFETCH(int, outcome);
    QFETCH(int, socket);
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(pingSockets));

    const EchoResult r = IcmpEcho::probe(address);
    QCOMPARE(int(r.outcome), outcome);
    QCOMPARE(int(r.socket), socket);
    QCOMPARE(r.status() == 0, outcome == int(Outcome::Reply));
    if (r.outcome == Outcome::Reply) {
        QVERIFY(r.roundTripMs >= 0);
        QVERIFY(r.roundTripMs <= IcmpEcho::kTimeoutMs);
    }
}

void TestIcmpEcho::boxSwitchedOffAndOnByItsAddress_data()
{
    addSocketKinds();
    QTest::newRow("ping socket") << true << int(Socket::Ping);
    QTest::newRow("raw socket") << false << int(Socket::Raw);
}

void TestIcmpEcho::boxSwitchedOffAndOnByItsAddress()
{
    QFETCH(bool, pingSockets);
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(pingSockets));
    const QString box = QStringLiteral("10.77.0.4");

    QCOMPARE(IcmpEcho::probe(box).outcome, Outcome::NoReply);
    QVERIFY(PrivateNetwork::ip({"addr", "add", box + "/32", "dev", "lo"}));
    QCOMPARE(IcmpEcho::probe(box).outcome, Outcome::Reply);
    QVERIFY(PrivateNetwork::ip({"addr", "del", box + "/32", "dev", "lo"}));
    QCOMPARE(IcmpEcho::probe(box).outcome, Outcome::NoReply);
}

void TestIcmpEcho::neverSentThere_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("outcome");

    QTest::newRow("empty") << "" << int(Outcome::NoAddress);
    QTest::newRow("blanks") << "   " << int(Outcome::NoAddress);
    // 0.0.0.0 reaches this very machine, which would answer.
    QTest::newRow("0.0.0.0") << "0.0.0.0" << int(Outcome::Refused);
    QTest::newRow("broadcast") << "255.255.255.255" << int(Outcome::Refused);
    QTest::newRow("multicast") << "224.0.0.1" << int(Outcome::Refused);
    QTest::newRow("multicast, top") << "239.255.255.250" << int(Outcome::Refused);
    // Names that resolve to the addresses above.
    QTest::newRow("name for 0.0.0.0") << "0x0" << int(Outcome::Refused);
    QTest::newRow("name for broadcast") << "0xffffffff" << int(Outcome::Refused);
    QTest::newRow("name for multicast") << "0xe0000001" << int(Outcome::Refused);
    QTest::newRow("name that does not resolve") << "nonexistent.invalid" << int(Outcome::Unresolved);
    QTest::newRow("name for 0.1.2.3") << "0x00010203" << int(Outcome::Refused);
    QTest::newRow("number out of range") << "300.1.1.1" << int(Outcome::Unresolved);
    QTest::newRow("IPv6 multicast") << "ff02::1" << int(Outcome::Refused);
    QTest::newRow("blank inside") << "box eins" << int(Outcome::Unresolved);
}

void TestIcmpEcho::neverSentThere()
{
    QFETCH(QString, address);
    QFETCH(int, outcome);
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(true));

    const EchoResult r = IcmpEcho::probe(address);
    QCOMPARE(int(r.outcome), outcome);
    QVERIFY(r.status() != 0);
    QCOMPARE(int(r.socket), int(Socket::None)); // no socket was even opened
}

void TestIcmpEcho::requestOnTheWire_data()
{
    addSocketKinds();
    QTest::newRow("ping socket") << true << int(Socket::Ping);
    QTest::newRow("raw socket") << false << int(Socket::Raw);
}

void TestIcmpEcho::requestOnTheWire()
{
    QFETCH(bool, pingSockets);
    QFETCH(int, socket);
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(pingSockets));

    // A raw socket of the test's own sees every ICMP packet on lo.
    const int sniffer = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    QVERIFY(sniffer >= 0);
    const EchoResult r = IcmpEcho::probe(kOtherBoxOn);
    QCOMPARE(r.outcome, Outcome::Reply);
    QCOMPARE(int(r.socket), socket);

    int requests = 0;
    QByteArray payload;
    unsigned char buffer[1500];
    for (;;) {
        pollfd p{sniffer, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            break;
        const ssize_t n = ::recv(sniffer, buffer, sizeof buffer, 0);
        if (n < 0)
            break;
        const auto *ip = reinterpret_cast<const iphdr *>(buffer);
        const size_t ipSize = size_t(ip->ihl) * 4;
        const auto *icmp = reinterpret_cast<const icmphdr *>(buffer + ipSize);
        if (icmp->type == ICMP_ECHO && ip->daddr == ::inet_addr("10.77.0.3")) {
            ++requests;
            payload = QByteArray(reinterpret_cast<const char *>(buffer + ipSize + sizeof(icmphdr)),
                                 int(size_t(n) - ipSize - sizeof(icmphdr)));
        }
    }
    ::close(sniffer);
    QCOMPARE(requests, 1);
    QCOMPARE(payload, QByteArray("hallo"));
}

void TestIcmpEcho::concurrentProbesKeepTheirReplies_data()
{
    addSocketKinds();
    QTest::newRow("ping sockets") << true << int(Socket::Ping);
    QTest::newRow("raw sockets") << false << int(Socket::Raw);
}

void TestIcmpEcho::concurrentProbesKeepTheirReplies()
{
    QFETCH(bool, pingSockets);
    QFETCH(int, socket);
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(pingSockets));

    // Raw sockets see each other's replies: the one to nobody must not take
    // the reply of a box, and two probes of one box must each get theirs.
    IcmpEchoProber prober;
    QSignalSpy finished(&prober, &EchoProber::finished);
    QList<QThread *> threads;
    connect(&prober, &EchoProber::finished, this, [&threads] { threads << QThread::currentThread(); });
    prober.probe(1, kBoxOn);
    prober.probe(2, kNobody);
    prober.probe(3, kOtherBoxOn);
    prober.probe(4, kBoxOn);
    QVERIFY(finished.isEmpty()); // never answered from within probe()
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 4, 5000);

    QMap<int, EchoResult> results;
    for (const QList<QVariant> &args : finished)
        results.insert(args.at(0).toInt(), args.at(1).value<EchoResult>());
    QCOMPARE(results.keys(), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(results[1].outcome, Outcome::Reply);
    QCOMPARE(results[2].outcome, Outcome::NoReply);
    QCOMPARE(results[3].outcome, Outcome::Reply);
    QCOMPARE(results[4].outcome, Outcome::Reply);
    QCOMPARE(int(results[1].socket), socket);
    QCOMPARE(results[3].resolvedAddress, kOtherBoxOn);
    for (QThread *t : threads)
        QCOMPARE(t, QThread::currentThread());
}

void TestIcmpEcho::proberDeletedWhileProbing()
{
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(true));
    int results = 0;
    {
        IcmpEchoProber prober; // as when the program quits during a tick
        connect(&prober, &EchoProber::finished, this, [&results] { ++results; });
        for (int i = 0; i < 12; ++i)
            prober.probe(i, kNobody);
    }
    QTest::qWait(300);
    QCOMPARE(results, 0);
}

void TestIcmpEcho::rawSocketTakesOnlyItsOwnReply_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("idDelta");
    QTest::addColumn<int>("seqDelta");
    QTest::addColumn<int>("outcome");

    // The probe goes to kNobody; the test answers in its place.
    QTest::newRow("matching reply") << kNobody << 0 << 0 << int(Outcome::Reply);
    QTest::newRow("reply from another host") << kOtherBoxOn << 0 << 0 << int(Outcome::NoReply);
    QTest::newRow("other identifier") << kNobody << 1 << 0 << int(Outcome::NoReply);
    QTest::newRow("other sequence") << kNobody << 0 << 1 << int(Outcome::NoReply);
}

void TestIcmpEcho::rawSocketTakesOnlyItsOwnReply()
{
    QFETCH(QString, from);
    QFETCH(int, idDelta);
    QFETCH(int, seqDelta);
    QFETCH(int, outcome);
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(false));

    const int sniffer = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    QVERIFY(sniffer >= 0);
    EchoResult result;
    std::thread probe([&result] { result = IcmpEcho::probe(kNobody, 1000); });

    // Learn identifier and sequence from the request on the wire.
    bool seen = false;
    quint16 id = 0, seq = 0;
    unsigned char buffer[1500];
    while (!seen) {
        pollfd p{sniffer, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0)
            break;
        const ssize_t n = ::recv(sniffer, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        const auto *ip = reinterpret_cast<const iphdr *>(buffer);
        const auto *icmp = reinterpret_cast<const icmphdr *>(buffer + size_t(ip->ihl) * 4);
        if (icmp->type == ICMP_ECHO && ip->daddr == ::inet_addr("10.77.0.9")) {
            seen = true;
            id = icmp->un.echo.id;
            seq = icmp->un.echo.sequence;
        }
    }
    ::close(sniffer);
    bool forged = false;
    if (seen)
        forged = forgeEchoReply(from, htons(quint16(ntohs(id) + idDelta)), htons(quint16(ntohs(seq) + seqDelta)));
    probe.join();

    QVERIFY(seen);
    QVERIFY(forged);
    QCOMPARE(int(result.socket), int(Socket::Raw));
    QCOMPARE(int(result.outcome), outcome);
}

void TestIcmpEcho::ownRequestIsNoReply_data()
{
    boxSwitchedOffAndOnByItsAddress_data();
}

void TestIcmpEcho::ownRequestIsNoReply()
{
    QFETCH(bool, pingSockets);
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(pingSockets));

    // A box that holds its address but does not answer echoes: on loopback
    // a raw socket still sees our own request, from the box's address.
    QFile ignore(QStringLiteral("/proc/sys/net/ipv4/icmp_echo_ignore_all"));
    QVERIFY(PrivateNetwork::entered() && ignore.open(QIODevice::WriteOnly));
    QVERIFY(ignore.write("1\n") > 0);
    ignore.close();
    const EchoResult r = IcmpEcho::probe(kBoxOn);
    QVERIFY(ignore.open(QIODevice::WriteOnly));
    QVERIFY(ignore.write("0\n") > 0);
    ignore.close();

    QCOMPARE(r.outcome, Outcome::NoReply);
    QCOMPARE(IcmpEcho::probe(kBoxOn).outcome, Outcome::Reply);
}

void TestIcmpEcho::neitherSocketAllowed()
{
    QVERIFY(PrivateNetwork::setPingSocketsAllowed(false));
    QVERIFY(setNetRawEffective(false));
    const EchoResult r = IcmpEcho::probe(kBoxOn);
    const EchoResult refused = IcmpEcho::probe(QStringLiteral("0.0.0.0"));
    QVERIFY(setNetRawEffective(true));

    QCOMPARE(r.outcome, Outcome::IcmpNotAllowed);
    QCOMPARE(int(r.socket), int(Socket::None));
    QVERIFY(r.status() != 0);
    QCOMPARE(refused.outcome, Outcome::Refused);
}

int main(int argc, char *argv[])
{
    // Before QCoreApplication: the namespace must be entered while the
    // process still has a single thread.
    g_noNamespace = PrivateNetwork::enter();
    QCoreApplication app(argc, argv);
    TestIcmpEcho test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_icmpecho.moc"
