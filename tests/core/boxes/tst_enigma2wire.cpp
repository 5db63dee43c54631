#include "BoxSimulator.h"
#include "Messages.h"
#include "boxes/HttpExchange.h"
#include "boxes/enigma2/Enigma2Protocol.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

// What an Enigma2 box shows and answers: Enigma2Protocol's requests go
// through the real exchange of one request to boxsim --kind enigma2, whose
// own reading of the request says what the box draws. (The transport picks
// the protocol by address once detection is in; then these rows join the
// wire table of every kind.)
class TestEnigma2Wire : public QObject
{
    Q_OBJECT
private slots:
    void televisionShows_data();
    void televisionShows();
    void answers_data();
    void answers();
};

namespace {

const QString kAddress = QStringLiteral("127.0.0.1");

// One GET to the box as the transport writes it; what the box answered.
AnswerMeaning ask(Enigma2Protocol &protocol, quint16 port, const BoxGet &get)
{
    HttpExchange exchange(1, kAddress, nullptr);
    QSignalSpy ended(&exchange, &HttpExchange::ended);
    QObject::connect(&exchange, &HttpExchange::connected, [&] {
        QByteArray request = "GET " + get.target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        for (const auto &header : get.headers)
            request += header.first + ": " + header.second + "\r\n";
        exchange.write(request + "Connection: close\r\n\r\n");
    });
    exchange.startLimit(5000);
    exchange.start(port);
    if (ended.isEmpty() && !ended.wait(10000))
        return {};
    return protocol.readAnswer(kAddress, get, exchange.answer());
}

QJsonObject lastRecord(const QSignalSpy &recorded)
{
    return recorded.isEmpty() ? QJsonObject()
                              : QJsonDocument::fromJson(recorded.last().at(0).toByteArray()).object();
}

} // namespace

void TestEnigma2Wire::televisionShows_data()
{
    QTest::addColumn<Message>("message");
    QTest::addColumn<int>("popupSeconds"); // the settings' display times; -1: unset
    QTest::addColumn<int>("messageSeconds");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("timeout");

    const auto row = [](const char *name, const QString &text, const QString &shown) {
        QTest::newRow(name) << nmsg(text) << -1 << -1 << shown << 60;
    };
    for (const char *text : {"Müll äöüß ÄÖÜ", "5 €", "„Zitat“", "Tom & Jerry&Co", "1+1 = 2", "100%", "#1",
                             "a%26b %2B %25", "a;b=c", "oben\nunten%0Aganz"})
        row(text, QString::fromUtf8(text), QString::fromUtf8(text));
    row("control characters dropped", "a\tb\r\nc\u0007d", "ab\ncd");

    QTest::newRow("popup, box's default") << popup("p") << -1 << -1 << "p" << 6;
    QTest::newRow("popup, set") << popup("p") << 20 << 0 << "p" << 20;
    QTest::newRow("message, until closed") << nmsg("m") << 20 << 0 << "m" << 0;

    const int most = Enigma2Protocol::kMaxTextCharacters;
    const QString ellipsis = QStringLiteral("…");
    row("ascii at the limit", QString(most, QLatin1Char('x')), QString(most, QLatin1Char('x')));
    row("ascii one over", QString(most + 1, QLatin1Char('x')), QString(most - 1, QLatin1Char('x')) + ellipsis);
    row("umlauts at the limit", QString(most, QChar(0xE4)), QString(most, QChar(0xE4)));
    // Four UTF-8 bytes each (twelve escaped): the request line's limit cuts first.
    const int room = Enigma2Protocol::kMaxRequestLine - int(sizeof("GET  HTTP/1.1\r\n") - 1)
                     - int(Enigma2Protocol().messageRequest(kAddress, nmsg("")).get.target.size());
    const QString face = QStringLiteral("😀");
    row("beyond the request line", face.repeated(most), face.repeated((room - 9) / 12) + ellipsis);
}

void TestEnigma2Wire::televisionShows()
{
    QFETCH(Message, message);
    QFETCH(int, popupSeconds);
    QFETCH(int, messageSeconds);
    QFETCH(QString, shown);
    QFETCH(int, timeout);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    box.setKind(BoxSimulator::Kind::Enigma2);
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    QSignalSpy recorded(&box, &BoxSimulator::requestRecorded);

    const auto unsetIfNegative = [](int s) { return s < 0 ? std::nullopt : std::optional<int>(s); };
    Enigma2Protocol protocol(unsetIfNegative(popupSeconds), unsetIfNegative(messageSeconds));
    const MessageRequest request = protocol.messageRequest(kAddress, message);
    QCOMPARE(request.shownText, shown); // what Zelvo says the box shows ...
    QCOMPARE(int(ask(protocol, box.port(), request.get).verdict), int(AnswerMeaning::Verdict::Accepted));
    QCOMPARE(recorded.count(), 1);
    const QJsonObject record = lastRecord(recorded);
    QCOMPARE(record.value("shown").toString(), shown); // ... and what the box draws
    QCOMPARE(record.value("timeout").toInt(-1), timeout);
    QVERIFY(record.value("request").toString().size() + 2 <= Enigma2Protocol::kMaxRequestLine);
}

void TestEnigma2Wire::answers_data()
{
    QTest::addColumn<bool>("about"); // the identity question, else a message
    QTest::addColumn<QByteArray>("boxLogin");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("why");
    QTest::addColumn<QString>("shown");

    const int accepted = int(AnswerMeaning::Verdict::Accepted), refused = int(AnswerMeaning::Verdict::Refused);
    const QString login = Enigma2Protocol::loginRequired();
    QTest::newRow("refused in its words") << false << QByteArray() << "" << "" << QByteArray("tv")
                                          << "Keine Nachrichten" << refused << "Keine Nachrichten" << "";
    QTest::newRow("password wanted, none given") << false << QByteArray("anna:geheim") << "" << ""
                                                 << QByteArray("tv") << "" << refused << login << "";
    QTest::newRow("wrong password") << false << QByteArray("anna:geheim") << "anna" << "falsch"
                                    << QByteArray("tv") << "" << refused << login << "";
    QTest::newRow("password given") << false << QByteArray("anna:geheim") << "anna" << "geheim"
                                    << QByteArray("tv") << "" << accepted << "" << "a";
    QTest::newRow("standby: taken, not shown") << false << QByteArray() << "" << "" << QByteArray("standby")
                                               << "" << accepted << "" << "";
    QTest::newRow("about, with password") << true << QByteArray("anna:geheim") << "anna"
                                          << "geheim" << QByteArray("tv") << "" << accepted << "" << "";
}

void TestEnigma2Wire::answers()
{
    QFETCH(bool, about);
    QFETCH(QByteArray, boxLogin);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QByteArray, mode);
    QFETCH(QString, refusal);
    QFETCH(int, verdict);
    QFETCH(QString, why);
    QFETCH(QString, shown);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    box.setKind(BoxSimulator::Kind::Enigma2);
    box.setLogin(boxLogin);
    box.setRefusal(refusal);
    QVERIFY(box.setMode(mode));
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    QSignalSpy recorded(&box, &BoxSimulator::requestRecorded);

    Enigma2Protocol protocol;
    protocol.setCredentials(kAddress, user, password);
    const BoxGet get = about ? *protocol.questionFor(kAddress, BoxQuestion::Identity)
                             : protocol.messageRequest(kAddress, nmsg("a")).get;
    const AnswerMeaning meaning = ask(protocol, box.port(), get);
    QCOMPARE(int(meaning.verdict), verdict);
    QCOMPARE(meaning.why, why);
    QCOMPARE(lastRecord(recorded).value("shown").toString(), shown);
    if (about)
        QCOMPARE(meaning.version, QString::fromLatin1(box.version()));

    // Whether the box can show it: truthful in every mode.
    const AnswerMeaning power = ask(protocol, box.port(), *protocol.questionFor(kAddress, BoxQuestion::Mode));
    if (verdict == int(AnswerMeaning::Verdict::Accepted))
        QCOMPARE(power.canShow, std::optional<bool>(mode != "standby"));
}

QTEST_GUILESS_MAIN(TestEnigma2Wire)
#include "tst_enigma2wire.moc"
