// boxsim as the firmware behaves in each mode: the mode and standby
// questions answered truthfully (or 404 by an old server), every message
// answered "ok" but thrown away in standby and on the AV input, and the
// mode switched while it runs.
#include "BoxSimulator.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

class TestBoxsimModes : public QObject
{
    Q_OBJECT
private slots:
    void answersAndRecords_data();
    void answersAndRecords();
    void switchedWhileRunning();

private:
    // The whole answer to one GET, status line to body.
    static QByteArray get(const BoxSimulator &box, const QByteArray &target);
};

QByteArray TestBoxsimModes::get(const BoxSimulator &box, const QByteArray &target)
{
    QTcpSocket socket;
    QByteArray answer;
    connect(&socket, &QTcpSocket::readyRead, &socket, [&] { answer += socket.readAll(); });
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.connectToHost(QHostAddress::LocalHost, box.port());
    socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    if (!closed.wait(5000))
        return QByteArray();
    return answer;
}

void TestBoxsimModes::answersAndRecords_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<bool>("knowsMode");
    QTest::addColumn<bool>("oldServer");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("discarded");
    QTest::addColumn<QJsonValue>("timeout");

    const QJsonValue none = QJsonValue::Undefined;
    QTest::newRow("tv: getmode") << QByteArray("tv") << true << false << QByteArray("/control/getmode")
                                 << QByteArray("200 OK") << QByteArray("tv\n") << "" << "" << none;
    QTest::newRow("standby: getmode") << QByteArray("standby") << true << false << QByteArray("/control/getmode")
                                      << QByteArray("200 OK") << QByteArray("standby\n") << "" << "" << none;
    QTest::newRow("avinput: getmode") << QByteArray("avinput") << true << false << QByteArray("/control/getmode")
                                      << QByteArray("200 OK") << QByteArray("avinput\n") << "" << "" << none;
    QTest::newRow("standby: standby on") << QByteArray("standby") << true << false << QByteArray("/control/standby")
                                         << QByteArray("200 OK") << QByteArray("on\n") << "" << "" << none;
    QTest::newRow("avinput: standby off") << QByteArray("avinput") << true << false << QByteArray("/control/standby")
                                          << QByteArray("200 OK") << QByteArray("off\n") << "" << "" << none;
    QTest::newRow("radio: standby off") << QByteArray("radio") << true << true << QByteArray("/control/standby")
                                        << QByteArray("200 OK") << QByteArray("off\n") << "" << "" << none;
    QTest::newRow("old server: no getmode") << QByteArray("standby") << false << false
                                            << QByteArray("/control/getmode")
                                            << QByteArray("404 Not Found") << QByteArray("404 : Not Found\n") << "" << "" << none;
    QTest::newRow("old server: no standby") << QByteArray("tv") << false << true << QByteArray("/control/standby")
                                            << QByteArray("404 Not Found") << QByteArray("404 : Not Found\n") << "" << "" << none;
    QTest::newRow("standby: message thrown away")
        << QByteArray("standby") << true << false << QByteArray("/control/message?nmsg=Hallo%0AWelt")
        << QByteArray("200 OK") << QByteArray("ok\n") << "" << "standby" << none;
    QTest::newRow("avinput: popup thrown away")
        << QByteArray("avinput") << true << false << QByteArray("/control/message?popup=Hallo&timeout=10")
        << QByteArray("200 OK") << QByteArray("ok\n") << "" << "avinput" << QJsonValue(10);
    QTest::newRow("old server in standby: thrown away")
        << QByteArray("standby") << false << true << QByteArray("/control/message?popup=Hallo")
        << QByteArray("200 OK") << QByteArray("ok\n") << "" << "standby" << none;
    QTest::newRow("radio: shown, with its time")
        << QByteArray("radio") << true << false << QByteArray("/control/message?nmsg=Hallo&timeout=0")
        << QByteArray("200 OK") << QByteArray("ok\n") << "Hallo" << "" << QJsonValue(0);
    QTest::newRow("tv: a timeout that is no number")
        << QByteArray("tv") << true << false << QByteArray("/control/message?popup=x&timeout=lang")
        << QByteArray("200 OK") << QByteArray("ok\n") << "x" << "" << QJsonValue("lang");
}

void TestBoxsimModes::answersAndRecords()
{
    QFETCH(QByteArray, mode);
    QFETCH(bool, knowsMode);
    QFETCH(bool, oldServer);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, shown);
    QFETCH(QString, discarded);
    QFETCH(QJsonValue, timeout);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    box.setFirmware(oldServer ? FirmwareKind::Old : FirmwareKind::New);
    box.setKnowsMode(knowsMode);
    QVERIFY(box.setMode(mode));
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));

    const QByteArray got = get(box, target);
    QVERIFY2(got.startsWith("HTTP/1.1 " + status + "\r\n") && got.endsWith("\r\n\r\n" + body), got.constData());
    // Every request to the box is recorded, also the questions.
    const QJsonObject line = QJsonDocument::fromJson(out.data()).object();
    QCOMPARE(line.value("request").toString(), "GET " + target + " HTTP/1.1");
    QCOMPARE(line.value("shown").toString(), shown);
    QCOMPARE(line.value("discarded").toString(), discarded);
    QCOMPARE(line.contains("discarded"), !discarded.isEmpty());
    QCOMPARE(line.value("timeout"), timeout);
}

void TestBoxsimModes::switchedWhileRunning()
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    QVERIFY(box.setMode("standby"));
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    QSignalSpy changed(&box, &BoxSimulator::modeChanged);

    QVERIFY(get(box, "/boxsim/mode").endsWith("\r\n\r\nstandby\n"));
    QVERIFY(get(box, "/boxsim/mode?set=fernsehen").startsWith("HTTP/1.1 400 "));
    QVERIFY(get(box, "/control/getmode").endsWith("\r\n\r\nstandby\n"));
    QVERIFY(get(box, "/boxsim/mode?set=tv").endsWith("\r\n\r\ntv\n"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toByteArray(), QByteArray("tv"));
    QVERIFY(get(box, "/control/getmode").endsWith("\r\n\r\ntv\n"));
    QVERIFY(get(box, "/control/message?nmsg=Jetzt").endsWith("\r\n\r\nok\n"));

    // Switching is boxsim's own: only the two questions and the message are recorded.
    const QList<QByteArray> lines = out.data().trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(QJsonDocument::fromJson(lines.at(2)).object().value("shown").toString(), QString("Jetzt"));
    QCOMPARE(box.mode(), QByteArray("tv"));
}

QTEST_GUILESS_MAIN(TestBoxsimModes)
#include "tst_boxsimmodes.moc"
