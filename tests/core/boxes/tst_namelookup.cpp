// A box name that hangs in DNS costs only its own box. Own network and mount
// namespace: /etc/hosts names box-zwei, and the only name server is a UDP
// socket of this test that answers ("no such name") only when told to.
#include "Messages.h"
#include "PrivateNetwork.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"
#include "boxes/HttpTransport.h"
#include "boxes/NameLookup.h"
#include "boxes/RequestChannel.h"
#include "engine/Engine.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

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
    engine->channel(1)->send(kHanging, nmsg(QStringLiteral("x")));
    QTest::qWait(300);
    return NameLookup::lookupsUnderWay() == 1 ? 0 : 2;
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
    int queries(bool answer = false);

    TempFolder m_folder;
    QUdpSocket m_dns;
    QList<QNetworkDatagram> m_queries;
    int m_answered = 0;
};

// The queries the name server got so far; with answer, each is answered.
int TestNameLookup::queries(bool answer)
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

void TestNameLookup::initTestCase()
{
    if (!g_noNamespace.isEmpty())
        QSKIP(qPrintable(g_noNamespace));
    QVERIFY(PrivateNetwork::ip({"link", "set", "lo", "up"}));
    QVERIFY(PrivateNetwork::ip({"addr", "add", "10.77.0.2/32", "dev", "lo"}));
    m_folder.write("hosts", "127.0.0.1 localhost\n10.77.0.2 box-zwei\n");
    m_folder.write("resolv.conf", "nameserver 127.0.0.53\noptions timeout:30 attempts:5\n");
    m_folder.write("nsswitch.conf", "hosts: files dns\n");
    for (const char *file : {"hosts", "resolv.conf", "nsswitch.conf"})
        QVERIFY(PrivateNetwork::useFile(m_folder.path(file), QStringLiteral("/etc/") + file));
    QVERIFY(m_dns.bind(QHostAddress(QStringLiteral("127.0.0.53")), 53));
}

void TestNameLookup::hangingNameCostsOnlyItsOwnBox()
{
    RecordingHttpServer box2;
    QVERIFY(box2.listen(QHostAddress(QStringLiteral("10.77.0.2"))));
    HttpTransport transport(box2.port(), 3000);
    QSignalSpy done(&transport, &HttpTransport::finished);
    for (int i = 0; i < 8; ++i)
        transport.send(kHanging, nmsg(QString::number(i)));
    for (int i = 0; i < 5; ++i)
        transport.send(QStringLiteral("box-zwei"), nmsg(QString::number(i)));

    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 13, 15000);
    QCOMPARE(box2.requests().size(), 5);
    for (const QList<QVariant> &d : std::as_const(done)) {
        const QString why = d.at(3).toString();
        QCOMPARE(d.at(2).toInt(), d.at(0) == kHanging ? 0 : 200);
        QVERIFY2(d.at(0) != kHanging || why == QStringLiteral("Name nach 3 s noch nicht aufgelöst")
                     || why.startsWith(QStringLiteral("nicht gesendet nach 3 s (wartete")),
                 qPrintable(why));
    }
    QCOMPARE(queries(), 1); // one look-up for all eight, still under way
}

void TestNameLookup::abandonedLookupEndsUnobserved()
{
    auto transport = std::make_unique<HttpTransport>(80, 60000);
    transport->send(kHanging, nmsg(QStringLiteral("später")));
    QCOMPARE(queries(), 1); // it joined the look-up under way
    transport.reset();      // gone, without waiting for the look-up
    // The look-up ends now (search domains may ask more); its answer finds nobody.
    QTRY_VERIFY_WITH_TIMEOUT((queries(true), NameLookup::lookupsUnderWay() == 0), 10000);
    QTest::qWait(100);
}

void TestNameLookup::quitDoesNotWaitForALookup()
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
    g_noNamespace = PrivateNetwork::enter(); // while the process has one thread
    QCoreApplication app(argc, argv);
    TestNameLookup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_namelookup.moc"
