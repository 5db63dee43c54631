// boxsim as the firmware behaves in each mode: the mode and standby
// questions answered truthfully (404 by an old server), every message
// answered "ok" but thrown away in standby and on the AV input; the same as
// an Enigma2 receiver, with its JSON answers.
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
    void questionAnsweredByAKey();
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
    // A trailing " old" makes it a server that knows neither question, " e2" an Enigma2 receiver.
    QTest::addColumn<QByteArray>("mode");
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
    const char *taken = R"(200 OK|{"message":"Message sent successfully!","result":true})";
    row("tv e2", "/api/powerstate", R"(200 OK|{"instandby":false,"result":true})");
    row("standby e2", "/api/statusinfo", R"(200 OK|{"inStandby":"true","isRecording":"false"})");
    row("standby e2", "/api/message?text=Hallo%0AWelt&type=1&timeout=6", taken, "", "standby", 6);
    row("tv e2", "/api/message?type=1&text=a+b%2Bc;d=e&timeout=0", taken, "a b+c", "", 0);
    row("tv e2", "/api/message?text=x&type=7",
        R"(200 OK|{"message":"Error: type must be 0, 1, 2 or 3","result":false})", "", "refused");
    row("tv e2", "/control/message?nmsg=x", "404 Not Found|<html><body>Not Found</body></html>");
    // A yes/no question with a time (which Zelvo never sends) shows it in the line.
    row("tv e2", "/api/message?text=q&type=0&timeout=5", taken, "q", "", 5);
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
    const bool enigma2 = mode.endsWith(" e2");
    box.setKind(enigma2 ? BoxSimulator::Kind::Enigma2 : BoxSimulator::Kind::Nhttpd);
    QVERIFY(box.setMode(mode.split(' ').first()));
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));

    const QByteArray got = get(box, target);
    const QByteArray status = answer.split('|').first(), body = answer.split('|').last();
    QVERIFY2(got.startsWith("HTTP/1.1 " + status + "\r\n") && got.endsWith("\r\n\r\n" + body), got.constData());
    QCOMPARE(got.contains("\r\nServer: nhttpd/"), !enigma2);
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

// A yes/no question stays open until a key is pressed; the box keeps the
// last answer, and standby closes an open one unanswered.
void TestBoxsimModes::questionAnsweredByAKey()
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    box.setKind(BoxSimulator::Kind::Enigma2);
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    const QByteArray open = R"({"message":"No answer in time","result":false})";
    QVERIFY(get(box, "/boxsim/answer?yes").startsWith("HTTP/1.1 409 "));
    QVERIFY(get(box, "/api/message?text=Tabletten&type=0").contains(R"("result":true)"));
    QVERIFY(get(box, "/api/messageanswer").endsWith(open));
    QVERIFY(get(box, "/boxsim/answer?exit").startsWith("HTTP/1.1 200 "));
    QVERIFY(get(box, "/api/messageanswer").endsWith(R"({"message":"Answer is NO!","result":true})"));
    QVERIFY(get(box, "/api/message?text=Ofen&type=0").contains(R"("result":true)"));
    QVERIFY(get(box, "/api/messageanswer").endsWith(open)); // the newer replaces the older
    QVERIFY(box.setMode("standby"));
    QVERIFY(get(box, "/boxsim/answer?yes").startsWith("HTTP/1.1 409 "));
}

QTEST_GUILESS_MAIN(TestBoxsimModes)
#include "tst_boxsimmodes.moc"
