// The standby gate on its own: the steps it returns for a message, read
// without a sender carrying them out. Real files for the held messages.
#include "FakeBoxSender.h"
#include "FakeClock.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/HeldMessages.h"
#include "boxes/HoldGate.h"
#include "common/BoxStateText.h"
#include "common/ZelvoSettings.h"

#include <QTest>

class TestHoldGate : public QObject
{
    Q_OBJECT
private slots:
    void routes_data();
    void routes();
    void boxNames_data();
    void boxNames();
};

namespace {

QString names(const GateSteps &steps)
{
    static const char *const kNames[] = {"go", "finish", "finish soon", "hold", "ask", "count", "stuck"};
    QStringList out;
    for (const GateStep &step : steps)
        out << QString::fromLatin1(kNames[int(step.what)]);
    return out.join(QLatin1Char(','));
}

} // namespace

void TestHoldGate::routes_data()
{
    QTest::addColumn<int>("state"); // the watch's word just now; -1: none
    QTest::addColumn<bool>("holding");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("why"); // of a message not sent at once

    QTest::newRow("on") << int(BoxState::On) << true << "go" << int(SendFailure::None);
    QTest::newRow("standby, held") << int(BoxState::Standby) << true << "hold,count" << int(SendFailure::Standby);
    QTest::newRow("off, held") << int(BoxState::Off) << true << "hold,count" << int(SendFailure::Off);
    QTest::newRow("standby, nobody to hold it") << int(BoxState::Standby) << false << "finish soon"
                                                << int(SendFailure::NotShown);
    QTest::newRow("no word: the box is asked") << -1 << true << "ask" << int(SendFailure::None);
}

void TestHoldGate::routes()
{
    QFETCH(int, state);
    QFETCH(bool, holding);
    QFETCH(QString, steps);
    QFETCH(int, why);
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), "127.0.0.2\r\n\r\n\r\n\r\n");
    BoxListSource source(folder.dir());
    FakeBoxSender sender(&source); // makes the handles; nothing of it is called
    SendHandle *handle = sender.sendTo(QStringLiteral("127.0.0.2"), {MessageKind::Message, QStringLiteral("x")},
                                       {MessageSource::TypedText, 1});
    const FakeClock clock(QDateTime::currentDateTime());
    const ZelvoSettings settings(folder.dir());
    HeldMessages held(folder.dir(), clock);
    HoldGate gate(&settings);
    gate.askModeFirst();
    if (holding)
        gate.holdIn(&held, &clock);
    gate.setAddress(1, QStringLiteral("127.0.0.2"));
    if (state >= 0)
        QCOMPARE(names(gate.setBoxState(1, BoxState(state))), QString());
    const int sent = int(sender.sent.size());
    const GateSteps decided = gate.route(handle);
    QCOMPARE(names(decided), steps);
    QCOMPARE(int(decided.first().result.why), why);
    QCOMPARE(int(sender.sent.size()), sent); // decided, not done
    QCOMPARE(held.count(), steps.startsWith(QLatin1String("hold")) ? 1 : 0);
}

void TestHoldGate::boxNames_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::newRow("number") << "" << "" << "Box 2";
    QTest::newRow("kind") << "Enigma2" << "" << "Box 2 (Enigma2)";
    QTest::newRow("address") << "" << "192.168.0.10" << "Box 2 (192.168.0.10)";
    QTest::newRow("both") << "Enigma2" << "192.168.0.12" << "Box 2 (Enigma2, 192.168.0.12)";
}

void TestHoldGate::boxNames()
{
    QFETCH(QString, kind);
    QFETCH(QString, address);
    QFETCH(QString, name);
    QCOMPARE(BoxStateText::boxName(2, kind, address), name);
}

QTEST_GUILESS_MAIN(TestHoldGate)
#include "tst_holdgate.moc"
