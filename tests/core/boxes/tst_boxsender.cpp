// BoxSender: the order per box and the boxes' independence through the
// real transport; handles that end once; the panel rule through a fake
// transport edge.
#include "FakeBoxSender.h"
#include "boxes/SendResultText.h"
#include "boxes/PanelFollower.h"
#include "FakeClock.h"
#include "Messages.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/DeliveryRecord.h"
#include "common/StatusBoard.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

class TestBoxSender : public QObject
{
    Q_OBJECT
private slots:
    void orderPerBoxAndNoWaitingAcrossBoxes();
    void handleEndsOnce_data();
    void handleEndsOnce();
    void panelRule_data();
    void panelRule();
};

void TestBoxSender::orderPerBoxAndNoWaitingAcrossBoxes()
{
    RecordingHttpServer silent, live;
    silent.setAnswering(false);
    QVERIFY(silent.listen(QHostAddress("127.0.0.2")));
    QVERIFY(live.listen(QHostAddress("127.0.0.3"), silent.port()));
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n0.0.0.0\r\n0.0.0.0\r\n");
    BoxListSource boxList(folder.dir());
    BoxSender sender(&boxList, {silent.port(), 10000});
    sender.send(1, nmsg("first"), {});
    sender.send(1, nmsg("second"), {}); // goes once "first" is written
    SendHandle *other = sender.send(2, nmsg("other"), {});
    QSignalSpy otherEnded(other, &SendHandle::finished);
    QVERIFY(otherEnded.wait(3000)); // box 2 answers while box 1 stays silent
    QCOMPARE(otherEnded.first().first().value<SendResult>().httpStatus, 200);
    QVERIFY(silent.waitForRequests(2, 3000));
    QTest::qWait(100); // time for a second attempt, which must not come
    QCOMPARE(silent.targets(), (QList<QByteArray>{"/control/message?nmsg=first", "/control/message?nmsg=second"}));
    QCOMPARE(live.targets(), QList<QByteArray>{"/control/message?nmsg=other"});
    QCOMPARE(sender.pendingCount(), 2);
}

void TestBoxSender::handleEndsOnce_data()
{
    QTest::addColumn<QString>("how");     // box N, an address, or none
    QTest::addColumn<bool>("knownAtOnce"); // NotSent before the call returns
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("reason");
    const int notSent = int(DeliveryOutcome::NotSent);
    QTest::newRow("box that is not configured") << "box 3" << true << notSent << "Box nicht eingerichtet (0.0.0.0)";
    QTest::newRow("box whose file line is empty") << "box 4" << true << notSent << "keine Adresse eingetragen";
    QTest::newRow("address never contacted") << "224.0.0.1" << true << notSent
                                             << "224.0.0.1 ist eine Multicast-Adresse, keine Box";
    QTest::newRow("no receiver") << "none" << true << notSent << "keine Box angekreuzt";
    QTest::newRow("answering box") << "box 1" << false << int(DeliveryOutcome::Answered) << "";
}

void TestBoxSender::handleEndsOnce()
{
    QFETCH(QString, how);
    QFETCH(bool, knownAtOnce);
    QFETCH(int, outcome);
    QFETCH(QString, reason);
    RecordingHttpServer box;
    QVERIFY(box.listen(QHostAddress("127.0.0.2")));
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n0.0.0.0\r\n0.0.0.0\r\n\"\"\r\n");
    BoxListSource boxList(folder.dir());
    FakeClock clock;
    DeliveryRecord record(clock);
    BoxSender sender(&boxList, {box.port(), 3000});
    sender.keepRecordIn(&record);
    if (knownAtOnce && how != "none")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("nicht gesendet an"));

    SendHandle *h = how == "none"            ? sender.notSent(nmsg("x"), {}, reason)
                    : how.startsWith("box ") ? sender.send(how.mid(4).toInt(), nmsg("x"), {})
                                             : sender.sendTo(how, nmsg("x"), {});
    QPointer<SendHandle> handle(h);
    QSignalSpy finished(h, &SendHandle::finished);
    QCOMPARE(h->result().outcome == DeliveryOutcome::NotSent, knownAtOnce);
    QCOMPARE(h->isFinished(), false);
    QCOMPARE(int(record.entries().size()), 1); // entered at hand-over
    QVERIFY(finished.wait(3000));
    QTRY_VERIFY(!handle); // deleted after its end
    QCOMPARE(finished.size(), 1);
    const SendResult result = finished.first().first().value<SendResult>();
    QCOMPARE(int(result.outcome), outcome);
    const QString said = SendResultText::reason(result);
    QVERIFY2(reason.isEmpty() ? said.isEmpty() : said.startsWith(reason), qPrintable(said));
    QCOMPARE(int(record.entries().front().outcome), outcome);
    QCOMPARE(box.requests().size(), outcome == int(DeliveryOutcome::Answered) ? 1 : 0);
}

void TestBoxSender::panelRule_data()
{
    // Two messages behind one panel text "Tom & Jerry": to box 1 (127.0.0.2)
    // and to an address given as the second one; "-" leaves one unended.
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("ends");   // per message: d delivered, n not sent, w words for signs, - none
    QTest::addColumn<bool>("otherText"); // someone else shows a text before the ends
    QTest::addColumn<QString>("atOnce"); // the panel right after the call
    QTest::addColumn<QString>("after");  // and after the ends
    const QString text = "Tom & Jerry";
    const QString none = "Nichts gesendet an Box 7: Box nicht eingerichtet (0.0.0.0)";
    QTest::newRow("both delivered") << "127.0.0.3" << "dd" << false << text << text;
    QTest::newRow("one of two delivered") << "127.0.0.3" << "nd" << false << text << text;
    QTest::newRow("both not sent in the end") << "127.0.0.3" << "nn" << false << text
                                              << "Nichts gesendet an Box 7: weg";
    QTest::newRow("one still under way") << "127.0.0.3" << "n-" << false << text << text;
    QTest::newRow("none may go") << "0.0.0.0" << "nn" << false << text << none;
    QTest::newRow("words for signs") << "127.0.0.3" << "wd" << false << text << "Tom und Jerry";
    QTest::newRow("panel taken over meanwhile") << "127.0.0.3" << "nn" << true << text << "andere Meldung";
}

void TestBoxSender::panelRule()
{
    QFETCH(QString, second);
    QFETCH(QString, ends);
    QFETCH(bool, otherText);
    QFETCH(QString, atOnce);
    QFETCH(QString, after);
    TempFolder folder;
    folder.write("boxip.ini", second == "0.0.0.0" ? "0.0.0.0\r\n" : "127.0.0.2\r\n");
    BoxListSource boxList(folder.dir());
    StatusBoard display;
    FakeBoxSender sender(&boxList);
    sender.panel()->showOn(&display);
    const Message message = nmsg("Tom & Jerry");
    const QList<SendHandle *> handles{sender.send(1, message, {}), sender.sendTo(second, message, {MessageSource::Script, 7})};
    sender.panel()->showWhenSent(handles, message.text);
    if (second == "0.0.0.0")
        atOnce = "Nichts gesendet an Box 7: Box nicht eingerichtet (0.0.0.0)";
    QCOMPARE(display.infoText(), atOnce);
    if (otherText)
        display.showInfo(after);
    for (int i = 0; i < ends.size(); ++i) {
        const QChar e = ends.at(i);
        if (e == '-')
            continue;
        SendResult r{e == 'n' ? DeliveryOutcome::NotSent : DeliveryOutcome::Answered, e == 'n' ? 0 : 200,
                     e == 'n' ? "weg" : "", e == 'w' ? "Tom und Jerry" : e == 'n' ? "" : "Tom & Jerry"};
        if (e == 'n')
            r.why = SendFailure::AddressRefused;
        if (e == 'n' && second == "0.0.0.0")
            r.said = "Box nicht eingerichtet (0.0.0.0)";
        sender.end(i, r);
    }
    QCOMPARE(display.infoText(), after);
}

QTEST_GUILESS_MAIN(TestBoxSender)
#include "tst_boxsender.moc"
