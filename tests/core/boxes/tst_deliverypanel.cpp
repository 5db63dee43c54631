// The information panel and the delivery record tell the same story. Runs
// in a network and mount namespace of its own, so a name that cannot be
// resolved never leaves it (the only interface is lo).
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

namespace {
QString g_noNamespace;
}

class TestDeliveryPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void panelAgreesWithRecord_data();
    void panelAgreesWithRecord();
};

void TestDeliveryPanel::initTestCase()
{
    if (!g_noNamespace.isEmpty())
        QSKIP(qPrintable(g_noNamespace));
    QVERIFY(PrivateNetwork::ip({"link", "set", "lo", "up"}));
}

void TestDeliveryPanel::panelAgreesWithRecord_data()
{
    QTest::addColumn<QString>("address"); // of box 2
    QTest::addColumn<bool>("boxTest");    // the "Test" button, else a typed text
    QTest::addColumn<QString>("panel");
    QTest::newRow("Test to a name that does not resolve") << "nichtda.invalid" << true
        << "Nichts gesendet an Box 2: Name nicht auflösbar";
    QTest::newRow("text to a name that does not resolve") << "nichtda.invalid" << false
        << "Nichts gesendet an Box 2: Name nicht auflösbar";
    // Nothing is known of this box's web server: the signs go as words.
    QTest::newRow("text to a box that gets words") << BoxServers::address(2) << false << "Tom und Jerry plus 100 Prozent";
}

void TestDeliveryPanel::panelAgreesWithRecord()
{
    QFETCH(QString, address);
    QFETCH(bool, boxTest);
    QFETCH(QString, panel);
    BoxServers boxes;
    QVERIFY(boxes.listen());
    TempFolder folder;
    folder.write("boxip.ini", "0.0.0.0\r\n" + address.toLatin1() + "\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    FakeClock clock;
    Engine engine({folder.dir(), &clock, boxes.port(), 5000, nullptr});
    engine.display()->setBoxStatus(QStringLiteral("0100"));

    if (boxTest) {
        BoxAddressTest::run(engine.channels().at(0), engine.display(), 2, address);
    } else {
        SendTextSettings settings;
        settings.ticked = {false, true, false, false};
        SendTextStep::run(folder.dir(), engine.display(), engine.channels(), QStringLiteral("Tom & Jerry + 100%"),
                          settings);
    }
    const auto &entries = engine.deliveryRecord()->entries();
    QCOMPARE(entries.size(), size_t(1));
    QTRY_VERIFY_WITH_TIMEOUT(entries.back().outcome != DeliveryOutcome::Waiting, 5000);
    QVERIFY2(engine.display()->infoText().startsWith(panel), qPrintable(engine.display()->infoText()));
    if (entries.back().outcome == DeliveryOutcome::NotSent) // and why, in German
        QCOMPARE(engine.display()->infoText(), Delivery::notSentPanelText(2, entries.back().reason));
    else
        QCOMPARE(entries.back().firstLine, panel);
}

int main(int argc, char *argv[])
{
    // Before QCoreApplication: the namespace must be entered while the
    // process still has a single thread.
    g_noNamespace = PrivateNetwork::enter();
    QCoreApplication app(argc, argv);
    TestDeliveryPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_deliverypanel.moc"
