#include "Messages.h"
#include "boxes/HttpAnswer.h"
#include "boxes/enigma2/Enigma2Protocol.h"

#include <QTest>

// How an Enigma2 box is asked to show a text, and what its answers mean.
class TestEnigma2Protocol : public QObject
{
    Q_OBJECT
private slots:
    void messageRequest_data();
    void messageRequest();
    void answerMeaning_data();
    void answerMeaning();
    void credentialsOnlyInTheirHeader();
};

namespace {

const QString kBox = QStringLiteral("127.0.0.2");

std::optional<int> seconds(int s)
{
    return s < 0 ? std::nullopt : std::optional<int>(s);
}

} // namespace

void TestEnigma2Protocol::messageRequest_data()
{
    QTest::addColumn<int>("popupSeconds"); // -1: unset
    QTest::addColumn<int>("messageSeconds");
    QTest::addColumn<Message>("message");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("shown");

    const QString every = QStringLiteral("Tom & Jerry+1 100% #2;„x“\n5 € äß");
    QTest::newRow("every character as itself")
        << -1 << -1 << nmsg(every)
        << QByteArray("/api/message?text=Tom%20%26%20Jerry%2B1%20100%25%20%232%3B%E2%80%9Ex%E2%80%9C%0A5%20%E2%82%AC"
                      "%20%C3%A4%C3%9F&type=1&timeout=60")
        << every;
    const QByteArray a = "/api/message?text=a&type=1&timeout=";
    QTest::newRow("a popup for 6 s unless set") << -1 << -1 << popup("a") << a + "6" << "a";
    QTest::newRow("the settings' popup time") << 15 << 0 << popup("a") << a + "15" << "a";
    QTest::newRow("a message until closed") << 15 << 0 << nmsg("a") << a + "0" << "a";
    QTest::newRow("control characters left out")
        << -1 << -1 << nmsg("a\tb\r\nc") << QByteArray("/api/message?text=ab%0Ac&type=1&timeout=60") << "ab\nc";
}

void TestEnigma2Protocol::messageRequest()
{
    QFETCH(int, popupSeconds);
    QFETCH(int, messageSeconds);
    QFETCH(Message, message);
    QFETCH(QByteArray, target);
    QFETCH(QString, shown);

    const Enigma2Protocol protocol(seconds(popupSeconds), seconds(messageSeconds));
    const MessageRequest r = protocol.messageRequest(kBox, message);
    QCOMPARE(r.get.target, target);
    QCOMPARE(r.shownText, shown);
    QVERIFY(r.get.headers.isEmpty());
    QVERIFY(!r.shortened);
}

void TestEnigma2Protocol::answerMeaning_data()
{
    QTest::addColumn<QByteArray>("path"); // what was asked
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("why");
    QTest::addColumn<int>("canShow"); // -1: not told
    QTest::addColumn<QString>("version");

    const int accepted = int(AnswerMeaning::Verdict::Accepted), refused = int(AnswerMeaning::Verdict::Refused),
              other = int(AnswerMeaning::Verdict::NotThisKind);
    const QByteArray ok = "HTTP/1.1 200 OK\r\nServer: TwistedWeb/22.10.0\r\n\r\n";
    const QByteArray message = "/api/message?text=a&type=1&timeout=60";
    const QString login = Enigma2Protocol::loginRequired();
    QTest::newRow("taken") << message << ok + R"({"result": true, "message": "Message sent successfully!"})"
                           << accepted << "" << -1 << "";
    QTest::newRow("refused in its words") << message << ok + R"({"result": false, "message": "Kein Bild"})" << refused
                                          << "Kein Bild" << -1 << "";
    QTest::newRow("no JSON") << message << ok + "ok" << refused << "unverständliche Antwort der Box (HTTP 200)" << -1
                             << "";
    QTest::newRow("password wanted") << message << QByteArray("HTTP/1.1 401 Unauthorized\r\n\r\n") << refused << login
                                     << -1 << "";
    QTest::newRow("another status") << message << QByteArray("HTTP/1.1 500 Internal Server Error\r\n\r\n{}") << refused
                                    << "" << -1 << "";
    QTest::newRow("about") << QByteArray("/api/about")
                           << ok + R"({"info": {"brand": "Vu+", "model": "Solo 4K", "webifver": "OWIF 1.5.2"}})"
                           << accepted << "" << -1 << "OWIF 1.5.2";
    // A long answer is read only to the body limit.
    QTest::newRow("about, cut") << QByteArray("/api/about")
                                << ok + R"({"info": {"webifver": "OWIF 1.4.9", "tuners": [)" + QByteArray(5000, ' ')
                                << accepted << "" << -1 << "OWIF 1.4.9";
    QTest::newRow("an nhttpd box asked about") << QByteArray("/api/about")
                                               << QByteArray("HTTP/1.1 404 Not Found\r\nServer: nhttpd/3.6.0\r\n\r\n")
                                               << other << "" << -1 << "";
    QTest::newRow("about, no version") << QByteArray("/api/about") << ok + R"({"info": {"brand": "Dreambox"}})"
                                       << accepted << "" << -1 << "";
    QTest::newRow("about, no info") << QByteArray("/api/about") << ok + R"({"result": true})" << other << "" << -1
                                    << "";
    QTest::newRow("on") << QByteArray("/api/powerstate") << ok + R"({"result": true, "instandby": false})" << accepted
                        << "" << 1 << "";
    QTest::newRow("standby") << QByteArray("/api/powerstate") << ok + R"({"result": true, "instandby": true})"
                             << accepted << "" << 0 << "";
}

void TestEnigma2Protocol::answerMeaning()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, answer);
    QFETCH(int, verdict);
    QFETCH(QString, why);
    QFETCH(int, canShow);
    QFETCH(QString, version);

    Enigma2Protocol protocol;
    HttpAnswer read;
    read.feed(answer.left(read.wanted()));
    read.endOfStream();
    const AnswerMeaning meaning = protocol.readAnswer(kBox, {path, {}}, read);
    QCOMPARE(int(meaning.verdict), verdict);
    QCOMPARE(meaning.why, why);
    QCOMPARE(meaning.canShow.has_value() ? int(*meaning.canShow) : -1, canShow);
    QCOMPARE(protocol.version(kBox), version);
}

// The password goes to its box as HTTP Basic and is written nowhere else.
void TestEnigma2Protocol::credentialsOnlyInTheirHeader()
{
    Enigma2Protocol protocol;
    protocol.setCredentials(kBox, QStringLiteral("anna"), QStringLiteral("geheim:1"));
    const MessageRequest r = protocol.messageRequest(kBox, nmsg(QChar(7) + QString(3000, QLatin1Char('x'))));
    QCOMPARE(r.get.headers.size(), 1);
    QCOMPARE(r.get.headers.at(0).first, "Authorization");
    QCOMPARE(r.get.headers.at(0).second, "Basic YW5uYTpnZWhlaW06MQ==");
    QCOMPARE(r.changes.size(), 2);
    for (const QString &said : r.changes + QStringList{r.readable, QString::fromLatin1(r.get.target)})
        QVERIFY2(!said.contains(QLatin1String("geheim")) && !said.contains(QLatin1String("YW5u")), qPrintable(said));
    QVERIFY(protocol.messageRequest(QStringLiteral("127.0.0.3"), nmsg("x")).get.headers.isEmpty());
    protocol.setCredentials(kBox, QString(), QString());
    QVERIFY(protocol.messageRequest(kBox, nmsg("x")).get.headers.isEmpty());
}

QTEST_GUILESS_MAIN(TestEnigma2Protocol)
#include "tst_enigma2protocol.moc"
