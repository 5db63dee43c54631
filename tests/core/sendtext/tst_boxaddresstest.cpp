#include "boxes/nhttpd/RequestTarget.h"
#include "sendtext/BoxAddressTest.h"

#include <QTest>

class TestBoxAddressTest : public QObject
{
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
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

QTEST_GUILESS_MAIN(TestBoxAddressTest)
#include "tst_boxaddresstest.moc"
