// A message from `zelvo send` inside the running program: through the
// engine's sender to the boxes asked for, shown in the information panel,
// each box's outcome known once it has ended.
#include "BoxServers.h"
#include "TempFolder.h"

#include "boxes/DeliveryRecord.h"
#include "boxes/BoxSender.h"
#include "common/StatusBoard.h"
#include "engine/Engine.h"
#include "boxes/nhttpd/FirmwareKind.h"
#include "boxes/nhttpd/RequestTarget.h"
#include "app/InstanceRequest.h"
#include "app/InstanceServer.h"
#include "sendtext/ScriptDelivery.h"

#include <QLocalSocket>
#include <QtTest>

class TestScriptDelivery : public QObject
{
    Q_OBJECT

private slots:
    void outcomesAndPanel_data();
    void outcomesAndPanel();
    void socketRequests_data();
    void socketRequests();
};

void TestScriptDelivery::outcomesAndPanel_data()
{
    QTest::addColumn<QList<int>>("asked");
    QTest::addColumn<QList<int>>("silent");
    QTest::addColumn<QByteArray>("boxipIni");
    QTest::addColumn<QList<int>>("reached");
    QTest::addColumn<QList<int>>("failed");
    const QByteArray four = BoxServers::boxipIni();
    QTest::newRow("two of four") << QList<int>{2, 4} << QList<int>{} << four << QList<int>{2, 4} << QList<int>{};
    QTest::newRow("every box by default") << QList<int>{} << QList<int>{} << four << QList<int>{1, 2, 3, 4} << QList<int>{};
    QTest::newRow("a silent box") << QList<int>{1, 3} << QList<int>{3} << four << QList<int>{1} << QList<int>{3};
    const QByteArray two = "127.0.0.2\r\n0.0.0.0\r\n0.0.0.0\r\n127.0.0.5\r\n0\r\n0\r\n0\r\n0\r\n";
    QTest::newRow("default: configured boxes only") << QList<int>{} << QList<int>{} << two << QList<int>{1, 4} << QList<int>{};
    QTest::newRow("an unconfigured box asked for") << QList<int>{2, 4} << QList<int>{} << two << QList<int>{4} << QList<int>{2};
    QTest::newRow("only unconfigured boxes") << QList<int>{2, 3} << QList<int>{} << two << QList<int>{} << QList<int>{2, 3};
}

void TestScriptDelivery::outcomesAndPanel()
{
    QFETCH(QList<int>, asked);
    QFETCH(QList<int>, silent);
    QFETCH(QByteArray, boxipIni);
    QFETCH(QList<int>, reached);
    QFETCH(QList<int>, failed);

    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), boxipIni);
    BoxServers boxes;
    QVERIFY(boxes.listen());
    for (const int box : silent)
        boxes.box(box).setAnswering(false);
    Engine::Options options;
    options.folder = folder.dir();
    options.httpPort = boxes.port();
    options.httpTimeoutMs = 500;
    Engine engine(options);

    // A message of the program's own to box 1 in between is not counted.
    engine.sender()->send(1, Message{MessageKind::Popup, QStringLiteral("Erinnerung")},
                          MessageOrigin{MessageSource::Reminder, 1});
    QString error;
    ScriptDelivery *delivery = engine.sendFromScript(
        asked, Message{MessageKind::Message, QStringLiteral("Wäsche fertig &\nab in den Trockner")}, &error);
    QVERIFY(delivery);
    QSignalSpy finished(delivery, &ScriptDelivery::finished);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.count(), 1);

    QList<int> gotThere;
    QList<int> notThere;
    for (const auto &o : delivery->outcomes())
        (o.reached() ? gotThere : notThere) << o.box;
    QCOMPARE(gotThere, reached);
    QCOMPARE(notThere, failed);
    QCOMPARE(delivery->allReached(), failed.isEmpty());
    for (const int box : failed)
        QVERIFY(!delivery->outcomes().at(int(delivery->boxes().indexOf(box))).failureText().isEmpty());
    // The record has one entry from `zelvo send` per box asked for, with its
    // number, whether it went out or not.
    QList<int> recorded;
    for (const Delivery &d : engine.deliveryRecord()->entries())
        if (d.origin.source == MessageSource::Script)
            recorded << d.origin.box;
    std::sort(recorded.begin(), recorded.end());
    QList<int> expected = reached + failed;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(recorded, expected);
    // The panel shows the text when it went to at least one box, as these
    // boxes (web server not yet known) show it.
    QCOMPARE(engine.display()->infoText(),
             reached.isEmpty() && silent.isEmpty() ? QString() : QStringLiteral("Wäsche fertig und ab in den Trockner"));
}

void TestScriptDelivery::socketRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("refusal"); // empty: carried out, one GET to box 1
    auto send = [](const QByteArray &boxes, const QByteArray &text, const QByteArray &kind = "\"popup\"") {
        return "{\"action\":\"send\",\"boxes\":" + boxes + ",\"kind\":" + kind + ",\"text\":" + text
            + ",\"wait\":true}\n";
    };
    const QString boxes = QStringLiteral("Boxnummern von 1 bis 4");
    const QString text = QStringLiteral("\"text\" muss");
    QTest::newRow("sane") << send("[1]", "\"Hallo\"") << QString();
    QTest::newRow("longer than one line: cut") << send("[1]", '"' + QByteArray(40000, 'x') + '"') << QString();
    QTest::newRow("box 1 twenty thousand times") << send("[1" + QByteArray(",1").repeated(19999) + "]", "\"x\"") << boxes;
    QTest::newRow("box 1 twice") << send("[1,1]", "\"x\"") << boxes;
    QTest::newRow("box 5") << send("[5]", "\"x\"") << boxes;
    QTest::newRow("box 1.5") << send("[1.5]", "\"x\"") << boxes;
    QTest::newRow("box as a string") << send("[\"1\"]", "\"x\"") << boxes;
    QTest::newRow("empty text") << send("[1]", "\"\"") << text;
    QTest::newRow("a number as text") << send("[1]", "42") << text;
    QTest::newRow("control characters only") << send("[1]", "\"\\u0001\\n\\t\\u007f\"") << text;
    QTest::newRow("unknown kind") << send("[1]", "\"x\"", "\"laut\"") << QStringLiteral("\"kind\" muss");
    QTest::newRow("no JSON") << QByteArray("send x\n") << QStringLiteral("unverständliche Anfrage");
    QTest::newRow("over the bound") << send("[1]", '"' + QByteArray(10 << 20, 'x') + '"') << QStringLiteral("Anfrage zu lang");
    QTest::newRow("silent") << QByteArray() << QStringLiteral("keine vollständige Anfrage in 5 s");
}

// Raw requests on the local socket of a running engine: only a sane one
// reaches a box, every other one is answered with why.
void TestScriptDelivery::socketRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, refusal);
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), BoxServers::boxipIni());
    BoxServers boxes;
    QVERIFY(boxes.listen());
    Engine::Options options;
    options.folder = folder.dir();
    options.httpPort = boxes.port();
    Engine engine(options);
    InstanceServer server(&engine);
    QVERIFY(server.listen(folder.path(QStringLiteral("zelvo.socket"))));

    QLocalSocket client;
    client.connectToServer(folder.path(QStringLiteral("zelvo.socket")));
    client.write(request);
    QSignalSpy closed(&client, &QLocalSocket::disconnected);
    QVERIFY(closed.wait(10000));
    const auto answer = InstanceAnswer::fromLine(client.readAll());
    QVERIFY(answer);
    QCOMPARE(answer->ok, refusal.isEmpty());
    QVERIFY2(answer->error.contains(refusal), qPrintable(answer->error));
    QCOMPARE(boxes.messageCount(), refusal.isEmpty() ? 1 : 0);
    if (refusal.isEmpty()) { // cut as a typed text is, never refused
        const auto sent = InstanceRequest::fromLine(request);
        QCOMPARE(boxes.box(1).messages().value(0).target, RequestTarget::encode(sent->message, FirmwareKind::Unknown).target);
    }
}

QTEST_GUILESS_MAIN(TestScriptDelivery)
#include "tst_scriptdelivery.moc"
