// The information panel and the delivery record tell the same story. In a
// network namespace of its own: a name look-up never leaves its lo.
#include "BoxServers.h"
#include "FakeClock.h"
#include "PrivateNetwork.h"
#include "TempFolder.h"
#include "boxes/DeliveryRecord.h"
#include "common/StatusBoard.h"
#include "engine/Engine.h"
#include "sendtext/BoxAddressTest.h"
#include "sendtext/SendTextStep.h"

#include <QCoreApplication>
#include <QTest>

static QString g_noNamespace;

class TestDeliveryPanel : public QObject
{
    Q_OBJECT
private slots:
    void panelAgreesWithRecord_data();
    void panelAgreesWithRecord();
};

void TestDeliveryPanel::panelAgreesWithRecord_data()
{
    QTest::addColumn<QString>("address"); // of box 2
    QTest::addColumn<bool>("boxTest");    // the "Test" button, else a typed text
    QTest::addColumn<QString>("panel");
    // Why, in German: "der Name ist nicht bekannt" or "der Namensdienst antwortet nicht".
    const QString unresolved = "Nichts gesendet an Box 2: Name nicht auflösbar (der Name";
    QTest::newRow("Test, name not resolved") << "nichtda.invalid" << true << unresolved;
    QTest::newRow("text, name not resolved") << "nichtda.invalid" << false << unresolved;
    // Nothing is known of this box's web server: the signs go as words.
    QTest::newRow("text, words for signs") << BoxServers::address(2) << false << "Tom und Jerry plus 100 Prozent";
}

void TestDeliveryPanel::panelAgreesWithRecord()
{
    if (!g_noNamespace.isEmpty())
        QSKIP(qPrintable(g_noNamespace));
    QVERIFY(PrivateNetwork::ip({"link", "set", "lo", "up"}));
    QFETCH(QString, address);
    QFETCH(bool, boxTest);
    QFETCH(QString, panel);
    BoxServers boxes;
    QVERIFY(boxes.listen());
    TempFolder folder;
    folder.write("boxip.ini", "0.0.0.0\r\n" + address.toLatin1() + "\r\n0.0.0.0\r\n0.0.0.0\r\n");
    FakeClock clock;
    Engine engine({folder.dir(), &clock, boxes.port(), 5000, nullptr});
    engine.display()->setBoxStatus("0100");
    if (boxTest)
        BoxAddressTest::run(engine.sender(), 2, address);
    else
        SendTextStep::run(folder.dir(), engine.sender(), "Tom & Jerry + 100%",
                          {MessageKind::Message, {false, true, false, false}});

    const auto &entries = engine.deliveryRecord()->entries();
    QCOMPARE(entries.size(), size_t(1));
    QTRY_VERIFY(entries.back().outcome != DeliveryOutcome::Waiting);
    QVERIFY2(engine.display()->infoText().startsWith(panel), qPrintable(engine.display()->infoText()));
    if (entries.back().outcome == DeliveryOutcome::NotSent)
        QCOMPARE(engine.display()->infoText(), Delivery::notSentPanelText(2, entries.back().reason));
    else
        QCOMPARE(entries.back().firstLine, panel);
}

int main(int argc, char *argv[])
{
    g_noNamespace = PrivateNetwork::enter(); // while the process has one thread
    QCoreApplication app(argc, argv);
    TestDeliveryPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_deliverypanel.moc"
