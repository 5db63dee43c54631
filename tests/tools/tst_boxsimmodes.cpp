// boxsim as the firmware behaves in each mode: the mode and standby
// questions answered truthfully (404 by an old server), every message
// answered "ok" but thrown away in standby and on the AV input.
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
};

namespace {

// The whole answer to one GET, status line to body.
QByteArray get(const BoxSimulator &box, const QByteArray &target)
{
    QTcpSocket socket;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { answer += socket.readAll(); });
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.connectToHost(QHostAddress::LocalHost, box.port());
    socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    return closed.wait(5000) ? answer : QByteArray();
}

} // namespace

void TestBoxsimModes::answersAndRecords_data()
{
    QTest::addColumn<QByteArray>("mode"); // a trailing " old" makes it a server that knows neither question
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("answer"); // "status|body"
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("discarded");
    QTest::addColumn<QJsonValue>("timeout");

    const auto row = [](const char *mode, const char *target, const char *answer, const char *shown = "",
                        const char *discarded = "", QJsonValue timeout = QJsonValue::Undefined) {
        QTest::addRow("%s %s", mode, target) << QByteArray(mode) << QByteArray(target) << QByteArray(answer)
                                             << QString(shown) << QString(discarded) << timeout;
    };
    row("tv", "/control/getmode", "200 OK|tv\n");
    row("standby", "/control/getmode", "200 OK|standby\n");
    row("avinput", "/control/getmode", "200 OK|avinput\n");
    row("standby", "/control/standby", "200 OK|on\n");
    row("avinput", "/control/standby", "200 OK|off\n");
    row("standby old", "/control/getmode", "404 Not Found|404 : Not Found\n");
    row("tv old", "/control/standby", "404 Not Found|404 : Not Found\n");
    row("standby", "/control/message?nmsg=Hallo%0AWelt", "200 OK|ok\n", "", "standby");
    row("avinput", "/control/message?popup=Hallo&timeout=10", "200 OK|ok\n", "", "avinput", 10);
    row("standby old", "/control/message?popup=Hallo", "200 OK|ok\n", "", "standby");
    row("radio", "/control/message?nmsg=Hallo&timeout=0", "200 OK|ok\n", "Hallo", "", 0);
    row("tv", "/control/message?popup=x&timeout=lang", "200 OK|ok\n", "x", "", "lang");
}

void TestBoxsimModes::answersAndRecords()
{
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, answer);
    QFETCH(QString, shown);
    QFETCH(QString, discarded);
    QFETCH(QJsonValue, timeout);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    box.setKnowsMode(!mode.endsWith(" old"));
    QVERIFY(box.setMode(mode.split(' ').first()));
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));

    const QByteArray got = get(box, target);
    const QByteArray status = answer.split('|').first(), body = answer.split('|').last();
    QVERIFY2(got.startsWith("HTTP/1.1 " + status + "\r\n") && got.endsWith("\r\n\r\n" + body), got.constData());
    // Every request to the box is recorded, the questions too.
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
    QVERIFY(box.setMode("standby") && box.listen(QHostAddress::LocalHost, 0));
    QSignalSpy changed(&box, &BoxSimulator::modeChanged);

    QVERIFY(get(box, "/boxsim/mode").endsWith("\r\n\r\nstandby\n"));
    QVERIFY(get(box, "/boxsim/mode?set=fernsehen").startsWith("HTTP/1.1 400 "));
    QVERIFY(get(box, "/boxsim/mode?set=tv").endsWith("\r\n\r\ntv\n"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(get(box, "/control/getmode").endsWith("\r\n\r\ntv\n"));
    QVERIFY(get(box, "/control/message?nmsg=Jetzt").endsWith("\r\n\r\nok\n"));
    // Switching is boxsim's own: only the question and the message are recorded.
    const QList<QByteArray> lines = out.data().trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(QJsonDocument::fromJson(lines.at(1)).object().value("shown").toString(), QString("Jetzt"));
}

QTEST_GUILESS_MAIN(TestBoxsimModes)
#include "tst_boxsimmodes.moc"
