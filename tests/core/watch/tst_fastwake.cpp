// While a message is held for a box, the box is asked every second (its
// mode while it answers echo, an echo while it is off) and the message goes
// at the first "on"; with nothing held nothing runs.
#include "FakeBoxSender.h"
#include "FakeClock.h"
#include "ScriptedEchoProber.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/HeldMessages.h"
#include "watch/FastWake.h"

#include <QTest>

class TestFastWake : public QObject
{
    Q_OBJECT
private slots:
    void heldGoesAtTheFirstOn();
};

void TestFastWake::heldGoesAtTheFirstOn()
{
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n");
    FakeClock clock(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
    BoxListSource source(folder.dir());
    FakeBoxSender sender(&source);
    HeldMessages held(folder.dir(), clock);
    sender.holdIn(&held, &clock);
    ScriptedEchoProber prober;
    prober.setOutcome(QStringLiteral("127.0.0.3"), EchoResult::Outcome::Reply);
    FastWake wake(&sender, &prober);
    wake.update();
    QVERIFY(!wake.isRunning()); // nothing waits: no timer

    sender.setBoxState(2, BoxState::Off);
    QVERIFY(sender.send(2, {MessageKind::Popup, QStringLiteral("Tee")}, {MessageSource::TypedText})->isHeld());
    QVERIFY(wake.isRunning());
    QTRY_COMPARE(sender.modeAsked.size(), 1); // within a second or two
    QCOMPARE(prober.probedAddresses(), QStringList{QStringLiteral("127.0.0.3")}); // off: an echo, then its mode
    QCOMPARE(sender.modeAsked.first(), QStringLiteral("127.0.0.3"));

    QuestionAnswer dark;
    dark.canShow = false;
    sender.answerMode(0, dark); // still dark: held
    QCOMPARE(sender.sent.size(), 0);
    QTRY_COMPARE(sender.modeAsked.size(), 2);
    QuestionAnswer on;
    on.canShow = true;
    sender.answerMode(1, on); // switched on
    QCOMPARE(sender.sent.size(), 1);
    QVERIFY(!wake.isRunning());
}

QTEST_GUILESS_MAIN(TestFastWake)
#include "tst_fastwake.moc"
