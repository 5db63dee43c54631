#include "BoxServers.h"
#include "TempFolder.h"
#include "app/Engine.h"
#include "boxes/RequestChannel.h"
#include "common/DisplayState.h"
#include "dialogs/BoxAddressTest.h"

#include <QTest>

class TestBoxAddressTest : public QObject
{
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
    void requestLineOnTheWire();
    void alwaysThroughInet1();
};

void TestBoxAddressTest::texts_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("panel");
    QTest::newRow("box 3") << 3 << "192.168.0.12"
                           << "/control/message?nmsg=Dies ist ein Test für die  3. D-Box2!%0A%0AWenn Sie dies auf "
                              "dem Fernseher lesen können,%0Aist die IP 192.168.0.12 richtig!"
                           << "Test für die  3. D-Box2";
    QTest::newRow("box 1, host name") << 1 << "dbox"
                                      << "/control/message?nmsg=Dies ist ein Test für die  1. D-Box2!%0A%0AWenn Sie "
                                         "dies auf dem Fernseher lesen können,%0Aist die IP dbox richtig!"
                                      << "Test für die  1. D-Box2";
    QTest::newRow("box 4, address as typed") << 4 << " 0.0.0.0"
                                             << "/control/message?nmsg=Dies ist ein Test für die  4. D-Box2!%0A%0AWenn "
                                                "Sie dies auf dem Fernseher lesen können,%0Aist die IP  0.0.0.0 richtig!"
                                             << "Test für die  4. D-Box2";
}

void TestBoxAddressTest::texts()
{
    QFETCH(int, box);
    QFETCH(QString, address);
    QFETCH(QString, document);
    QFETCH(QString, panel);
    QCOMPARE(BoxAddressTest::document(box, address), document);
    QCOMPARE(BoxAddressTest::panelText(box), panel);
}

void TestBoxAddressTest::requestLineOnTheWire()
{
    TempFolder folder;
    BoxServers boxes;
    QVERIFY(boxes.listen());
    Engine::Options o;
    o.folder = folder.dir();
    o.httpPort = boxes.port();
    o.httpTimeoutMs = 5000;
    Engine engine(o);
    BoxAddressTest::run(engine.channel(1), engine.display(), 3, BoxServers::address(3));
    QVERIFY(boxes.box(3).waitForRequests(1));
    QCOMPARE(boxes.box(3).requests().first().requestLine,
             QByteArray("GET /control/message?nmsg=Dies%20ist%20ein%20Test%20f%FCr%20die%20%203.%20D-Box2%21%0A%0A"
                        "Wenn%20Sie%20dies%20auf%20dem%20Fernseher%20lesen%20k%F6nnen%2C%0Aist%20die%20IP%20"
                        "127.0.0.4%20richtig%21 HTTP/1.1"));
    QVERIFY(engine.display()->infoVisible());
    QCOMPARE(engine.display()->infoText(), QString("Test für die  3. D-Box2"));
}

void TestBoxAddressTest::alwaysThroughInet1()
{
    TempFolder folder;
    Engine::Options o;
    o.folder = folder.dir();
    o.httpPort = 9; // nothing is sent: the address is the placeholder
    Engine engine(o);
    BoxAddressTest::run(engine.channel(1), engine.display(), 2, "0.0.0.0");
    QCOMPARE(engine.channel(1)->address(), QString("0.0.0.0"));
    QVERIFY(engine.channel(1)->document().contains("die  2. D-Box2"));
    for (int box = 2; box <= 4; ++box)
        QVERIFY(engine.channel(box)->document().isEmpty());
}

QTEST_GUILESS_MAIN(TestBoxAddressTest)
#include "tst_boxaddresstest.moc"
