#include "BoxSimulator.h"
#include "FakeClock.h"
#include "Messages.h"
#include "boxes/SendResultText.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxProtocol.h"
#include "boxes/BoxSender.h"
#include "boxes/Delivery.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/HeldMessages.h"
#include "boxes/HttpTransport.h"
#include "boxes/QuestionWatch.h"
#include "boxes/SendHandle.h"
#include "boxes/SendResult.h"
#include "boxes/enigma2/Enigma2Protocol.h"
#include "boxes/nhttpd/RequestTarget.h"
#include "reminders/ReminderMessage.h"
#include "reminders/ReminderRecord.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

// What the television shows, for every kind of box: a text goes through the
// real transport, as its box's protocol writes it, to boxsim, whose own
// reading of the request says what the box draws. A new kind of box adds
// its name to kKinds, its set-up to setUp() and, where it shows a text
// differently, its own column in a row.
class TestWire : public QObject
{
    Q_OBJECT
private slots:
    void televisionShows_data();
    void televisionShows();
    void enigma2Answers_data();
    void enigma2Answers();
    void confirmationAskedUntilAnswered_data();
    void confirmationAskedUntilAnswered();
};

namespace {

const QString kEnigma2 = QStringLiteral("enigma2");
const QStringList kKinds = {QStringLiteral("nhttpd-new"), QStringLiteral("nhttpd-old"), kEnigma2};

void setUp(BoxSimulator &box, const QString &kind)
{
    box.setFirmware(kind == QLatin1String("nhttpd-old") ? FirmwareKind::Old : FirmwareKind::New);
    box.setKind(kind == kEnigma2 ? BoxSimulator::Kind::Enigma2 : BoxSimulator::Kind::Nhttpd);
}

// The longest request line the kind's web server reads.
int maxRequestLine(const QString &kind)
{
    return kind == kEnigma2 ? Enigma2Protocol::kMaxRequestLine : RequestTarget::kMaxRequestLine;
}

// One row per kind in kinds: shown on every kind, unless the kind is named in other.
void row(const char *name, const QString &text, const QString &shown, const QHash<QString, QString> &other = {},
         const QStringList &kinds = kKinds)
{
    for (const QString &kind : kinds)
        QTest::addRow("%s: %s", qPrintable(kind), name) << kind << text << other.value(kind, shown);
}

} // namespace

void TestWire::televisionShows_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    const QString old = QStringLiteral("nhttpd-old");
    row("umlauts", "Müll äöüß ÄÖÜ", "Müll äöüß ÄÖÜ");
    row("euro", "5 €", "5 €");
    row("quotes", "„Zitat“", "„Zitat“");
    row("ampersand", "Tom & Jerry&Co", "Tom & Jerry&Co", {{old, "Tom und Jerry und Co"}});
    row("plus", "1+1 = 2", "1+1 = 2", {{old, "1 plus 1 = 2"}});
    row("percent", "100%", "100%", {{old, "100 Prozent"}});
    row("percent and text", "50% Rabatt", "50% Rabatt", {{old, "50 Prozent Rabatt"}});
    row("hash", "#1", "#1");
    row("percent before hex digits", "a%26b %2B %25", "a%26b %2B %25", {{old, "a Prozent 26b Prozent 2B Prozent 25"}});
    row("percent before a letter", "Akku 30%Be leer", "Akku 30%Be leer", {{old, "Akku 30 Prozent Be leer"}});
    row("percent before zeros", "50%00 Rabatt", "50%00 Rabatt", {{old, "50 Prozent 00 Rabatt"}});
    row("line break", "oben\nunten%0Aganz", "oben\nunten%0Aganz", {{old, "oben\nunten Prozent 0Aganz"}});
    row("control characters dropped", "a\tb\rc\u0007d%09e", "abcd%09e", {{old, "abcd Prozent 09e"}});

    // nhttpd: the longest text that fits, "GET " + prefix + text + " HTTP/1.1\r\n", is 2,048 bytes.
    const int room = RequestTarget::kMaxTarget - int(RequestTarget::encode(nmsg(""), FirmwareKind::New).target.size());
    const QString ascii(room, QLatin1Char('x'));
    const QString umlauts = QString(room / 6, QChar(0xE4)) + QString(room % 6, QLatin1Char('x'));
    // One character more: cut behind the last character after which "…" (9 bytes) still fits.
    const QString ellipsis = QStringLiteral("…");
    const QStringList nhttpd = kKinds.mid(0, 2);
    row("ascii at the limit", ascii, ascii, {}, nhttpd);
    row("ascii one over the limit", ascii + 'y', QString(room - 9, QLatin1Char('x')) + ellipsis, {}, nhttpd);
    row("umlauts at the limit", umlauts, umlauts, {}, nhttpd);
    row("umlauts one over the limit", umlauts + 'y', QString((room - 9) / 6, QChar(0xE4)) + ellipsis, {}, nhttpd);

    // Enigma2: at most kMaxTextCharacters characters, and a request line of
    // kMaxRequestLine bytes, whichever is reached first.
    const int most = Enigma2Protocol::kMaxTextCharacters;
    const QString face = QStringLiteral("😀"); // twelve bytes escaped
    const int faces = (Enigma2Protocol::kMaxRequestLine - int(sizeof("GET  HTTP/1.1\r\n") - 1)
                       - int(Enigma2Protocol().messageRequest(BoxLink(QString()), nmsg("")).get.target.size()) - 9)
                      / 12;
    row("characters at the limit", QString(most, QChar(0xE4)), QString(most, QChar(0xE4)), {}, {kEnigma2});
    row("characters one over", QString(most, 'x') + 'y', QString(most - 1, 'x') + ellipsis, {}, {kEnigma2});
    row("request line full", face.repeated(most), face.repeated(faces) + ellipsis, {}, {kEnigma2});
}

// The box is asked what it is first, as the watch has it done when a box
// comes on, so the text is written for what it answered.
void TestWire::televisionShows()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, shown);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    setUp(box, kind);
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    QSignalSpy recorded(&box, &BoxSimulator::requestRecorded);

    const QString address = QStringLiteral("127.0.0.1");
    HttpTransport transport(box.port(), 5000);
    QSignalSpy done(&transport, &HttpTransport::done);
    transport.identify(address);
    const quint64 id = transport.submit(address, nmsg(text));

    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    QCOMPARE(done.at(0).at(0).toULongLong(), id);
    const auto result = done.at(0).at(1).value<SendResult>();
    QVERIFY(result.delivered());
    QCOMPARE(result.shownText, shown); // what Zelvo says the box shows ...

    const BoxLink &link = *transport.link(address);
    QCOMPARE(transport.protocolFor(link).version(link), QString::fromLatin1(box.version()));
    // An Enigma2 box is asked nhttpd's question first, then its own.
    QCOMPARE(recorded.count(), kind == kEnigma2 ? 3 : 2);
    const QJsonObject question = QJsonDocument::fromJson(recorded.at(recorded.count() - 2).at(0).toByteArray()).object();
    QCOMPARE(question.value("request").toString().toLatin1(),
             "GET " + transport.protocolFor(link).question(BoxQuestion::Identity)->target + " HTTP/1.1");
    const QJsonObject message = QJsonDocument::fromJson(recorded.last().at(0).toByteArray()).object();
    QCOMPARE(message.value("shown").toString(), shown); // ... and what the box draws
    QVERIFY(message.value("request").toString().toLatin1().size() + 2 <= maxRequestLine(kind));
}

void TestWire::enigma2Answers_data()
{
    QTest::addColumn<Message>("message");
    QTest::addColumn<int>("messageSeconds"); // zelvo.ini's display time, popups 20 s; -1: both unset
    QTest::addColumn<QString>("login");      // zelvo.ini's "USER:PASSWORD"; the box wants "anna:geheim" when set
    QTest::addColumn<QString>("refusal");    // of every message, by the box
    QTest::addColumn<QString>("outcome");    // as the record says it
    QTest::addColumn<int>("timeout");        // as the box got it; -1: not shown

    const QString taken = "beantwortet (HTTP 200)", login = "Fehler: " + Enigma2Protocol::loginRequired();
    QTest::newRow("popup, set") << popup("a") << 0 << "" << "" << taken << 20;
    QTest::newRow("message, until closed") << nmsg("a") << 0 << "" << "" << taken << 0;
    QTest::newRow("result false") << nmsg("a") << -1 << "" << "Nein" << "Fehler: Nein" << -1;
    QTest::newRow("401, wrong login") << nmsg("a") << -1 << "anna:falsch" << "" << login << -1;
    QTest::newRow("its login") << nmsg("a") << -1 << "anna:geheim" << "" << taken << 60;
}

// Through the real transport, to a box found to be an Enigma2 box by asking.
void TestWire::enigma2Answers()
{
    QFETCH(Message, message);
    QFETCH(int, messageSeconds);
    QFETCH(QString, login);
    QFETCH(QString, refusal);
    QFETCH(QString, outcome);
    QFETCH(int, timeout);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    box.setKind(BoxSimulator::Kind::Enigma2);
    box.setLogin(login.isEmpty() ? "" : "anna:geheim");
    box.setRefusal(refusal);
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    QSignalSpy recorded(&box, &BoxSimulator::requestRecorded);

    const QString address = QStringLiteral("127.0.0.1");
    HttpTransport transport(box.port(), 5000);
    if (messageSeconds >= 0)
        transport.setDisplayTimes(20, messageSeconds);
    transport.link(address)->login = {login.section(':', 0, 0), login.section(':', 1)};
    QSignalSpy done(&transport, &HttpTransport::done);
    transport.identify(address);
    transport.submit(address, message);

    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    QCOMPARE(transport.kindOf(*transport.link(address)), QStringLiteral("Enigma2"));
    QCOMPARE(SendResultText::outcome(done.at(0).at(1).value<SendResult>()), outcome);
    const QJsonObject got = QJsonDocument::fromJson(recorded.last().at(0).toByteArray()).object();
    QVERIFY(got.value("request").toString().startsWith("GET /api/message?text=a&type=1"));
    QCOMPARE(got.value("shown").toString(), QString(timeout < 0 ? "" : "a"));
    QCOMPARE(got.value("timeout").toInt(-1), timeout < 0 ? 60 : timeout);
}

void TestWire::confirmationAskedUntilAnswered_data()
{
    QTest::addColumn<bool>("enigma2");
    QTest::addColumn<QByteArray>("key"); // pressed on the box; empty: none
    QTest::addColumn<int>("answerQuestions"); // /api/messageanswer requests over three polls
    QTest::addColumn<QString>("record");
    QTest::newRow("Enigma2, yes") << true << QByteArray("yes") << 2 << "gesehen um 07:25 (Ja)";
    QTest::newRow("Enigma2, EXIT counts as no") << true << QByteArray("exit") << 2 << "gesehen um 07:25 (Nein)";
    QTest::newRow("Enigma2, nobody there") << true << QByteArray() << 3 << "wartet auf Bestätigung";
    QTest::newRow("D-Box: until closed, and nothing more")
        << false << QByteArray() << 0 << "angezeigt – diese Box kann nicht melden, ob es gesehen wurde";
}

// A message that asks for confirmation, through the real sender and the
// question watch: asked as a question, then polled until answered.
void TestWire::confirmationAskedUntilAnswered()
{
    QFETCH(bool, enigma2);
    QFETCH(QByteArray, key);
    QFETCH(int, answerQuestions);
    QFETCH(QString, record);

    QBuffer output;
    output.open(QIODevice::WriteOnly);
    BoxSimulator box(&output);
    box.setKind(enigma2 ? BoxSimulator::Kind::Enigma2 : BoxSimulator::Kind::Nhttpd);
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    QList<QJsonObject> messages;
    int answerRequests = 0;
    connect(&box, &BoxSimulator::requestRecorded, this, [&](const QByteArray &line) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.value(QLatin1String("kind")).toString().isEmpty())
            messages << o;
        answerRequests += o.value(QLatin1String("request")).toString().contains(QLatin1String("/api/messageanswer"));
    });

    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.1\r\n");
    FakeClock clock(QDateTime(QDate(2026, 12, 24), QTime(7, 25)));
    BoxListSource source(folder.dir());
    BoxSender sender(&source, {box.port(), 5000});
    DeliveryRecord deliveries(clock);
    HeldMessages held(folder.dir(), clock);
    sender.keepRecordIn(&deliveries);
    QuestionWatch watch(&sender, &deliveries, &held, clock);
    sender.identifyAt(QStringLiteral("127.0.0.1"));
    sender.setBoxState(1, BoxState::On);

    const Message message = // a "b" line of the daily list
        ReminderMessage::compose(ReminderRecord::daily(QStringLiteral("07:25 07:30 b 1 Tabletten")), clock.now()).message;
    QVERIFY(message.confirm);
    QSignalSpy finished(sender.send(1, message, {MessageSource::Reminder}), &SendHandle::finished);
    QVERIFY(finished.wait(10000));

    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().value(QLatin1String("kind")).toString(), QString(enigma2 ? "question" : "nmsg"));
    const QString sent = messages.first().value(QLatin1String("request")).toString().section(QLatin1Char(' '), 1, 1);
    QCOMPARE(sent.section(QLatin1Char('?'), 0, 0) + QStringLiteral("?…") + sent.mid(sent.lastIndexOf(QLatin1Char('&'))),
             QString(enigma2 ? "/api/message?…&type=0" : "/control/message?…&timeout=0"));
    QVERIFY(messages.first().value(QLatin1String("shown")).toString().endsWith(QLatin1String("Tabletten")));

    // Three polls, ten seconds apart on the engine's timer; the key pressed after the first.
    for (int poll = 0; poll < 3; ++poll) {
        const int before = answerRequests;
        watch.poll();
        if (enigma2 && (poll == 0 || key.isEmpty()))
            QTRY_COMPARE(answerRequests, before + 1);
        QTest::qWait(50);
        if (poll == 0 && !key.isEmpty())
            QVERIFY(box.press(key));
    }
    QCOMPARE(answerRequests, answerQuestions);
    QCOMPARE(messages.size(), 1);
    QTRY_COMPARE(deliveries.entries().back().outcomeText(), record);
}

QTEST_GUILESS_MAIN(TestWire)
#include "tst_wire.moc"
