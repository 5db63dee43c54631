#include "FakeBoxSender.h"
#include "boxes/PanelFollower.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/nhttpd/RequestTarget.h"
#include "common/StatusBoard.h"
#include "sendtext/BoxAddressTest.h"

#include <QTest>

class TestBoxAddressTest : public QObject
{
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
    void handedToTheSender_data();
    void handedToTheSender();
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
    QCOMPARE(RequestTarget::document(BoxAddressTest::message(box, address)), document);
    QCOMPARE(BoxAddressTest::panelText(box), panel);
}

// The address as typed, whatever boxip.ini says; the panel says the test
// only when it may reach the box.
void TestBoxAddressTest::handedToTheSender_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("panel");
    QTest::newRow("typed, not saved") << " 10.0.0.9 " << "10.0.0.9" << "Test für die  2. D-Box2";
    QTest::newRow("not configured") << "0.0.0.0" << "0.0.0.0"
                                    << "Nichts gesendet an Box 2: Box nicht eingerichtet (0.0.0.0)";
}

void TestBoxAddressTest::handedToTheSender()
{
    QFETCH(QString, typed);
    QFETCH(QString, address);
    QFETCH(QString, panel);
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n");
    BoxListSource boxList(folder.dir());
    StatusBoard display;
    FakeBoxSender sender(&boxList);
    sender.panel()->showOn(&display);
    BoxAddressTest::run(&sender, 2, typed);
    QCOMPARE(sender.sent.size(), 1);
    QCOMPARE(sender.sent.first().address, address);
    QCOMPARE(sender.sent.first().origin.box, 2);
    QCOMPARE(sender.sent.first().origin.source, MessageSource::BoxTest);
    QCOMPARE(sender.sent.first().message, BoxAddressTest::message(2, typed));
    QCOMPARE(display.infoText(), panel);
}

QTEST_GUILESS_MAIN(TestBoxAddressTest)
#include "tst_boxaddresstest.moc"
