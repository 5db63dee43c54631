#include "Messages.h"
#include "boxes/HttpAnswer.h"
#include "boxes/nhttpd/NhttpdProtocol.h"
#include "boxes/nhttpd/RequestTarget.h"

#include <QTest>

// What an nhttpd box's answers mean, and how what they tell changes the
// next message's request.
class TestNhttpdProtocol : public QObject
{
    Q_OBJECT
private slots:
    void answerMeaning_data();
    void answerMeaning();
    void requestFollowsWhatWasLearnt_data();
    void requestFollowsWhatWasLearnt();
    void modeAnswers_data();
    void modeAnswers();
    void displayTimes_data();
    void displayTimes();
};

namespace {

const QString kBox = QStringLiteral("127.0.0.2");

HttpAnswer answerOf(const QByteArray &bytes)
{
    HttpAnswer answer;
    answer.feed(bytes);
    answer.endOfStream();
    return answer;
}

BoxGet identity(const NhttpdProtocol &protocol)
{
    return *protocol.question(BoxQuestion::Identity);
}

} // namespace

void TestNhttpdProtocol::answerMeaning_data()
{
    QTest::addColumn<bool>("question"); // the identity question, else a message
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("version");

    const int accepted = int(AnswerMeaning::Verdict::Accepted), refused = int(AnswerMeaning::Verdict::Refused),
              other = int(AnswerMeaning::Verdict::NotThisKind);
    QTest::newRow("version in the body") << true << QByteArray("HTTP/1.1 200 OK\r\n\r\n3.6.0\n") << accepted << "3.6.0";
    QTest::newRow("version in the Server header")
        << true << QByteArray("HTTP/1.1 404 Not Found\r\nServer: nhttpd/3.1.9\r\n\r\n<html>") << accepted << "3.1.9";
    QTest::newRow("another server") << true << QByteArray("HTTP/1.1 404 Not Found\r\nServer: lighttpd\r\n\r\n<html>")
                                    << other << "";
    QTest::newRow("message taken") << false << QByteArray("HTTP/1.1 200 OK\r\n\r\nok") << accepted << "";
    QTest::newRow("message refused, the header still tells")
        << false << QByteArray("HTTP/1.1 500 Internal Error\r\nServer: nhttpd/3.6.0\r\n\r\n") << refused << "3.6.0";
}

void TestNhttpdProtocol::answerMeaning()
{
    QFETCH(bool, question);
    QFETCH(QByteArray, answer);
    QFETCH(int, verdict);
    QFETCH(QString, version);
    NhttpdProtocol protocol;
    BoxLink box(kBox);
    const BoxGet request = question ? identity(protocol) : protocol.messageRequest(box, nmsg("x")).get;
    const AnswerMeaning meaning = protocol.readAnswer(box, question ? std::optional(BoxQuestion::Identity) : std::nullopt, request,
                                                            answerOf(answer));
    QCOMPARE(int(meaning.verdict), verdict);
    QCOMPARE(meaning.version, version);
    QCOMPARE(protocol.version(box), version);
    QCOMPARE(protocol.version(BoxLink(QStringLiteral("127.0.0.3"))), QString()); // each box on its own
}

void TestNhttpdProtocol::requestFollowsWhatWasLearnt_data()
{
    QTest::addColumn<QByteArray>("versionAnswer"); // empty: the question went unanswered
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("changed"); // what the record and the panel are told

    QTest::newRow("current") << QByteArray("3.6.0") << "Tom & Jerry 100%" << "" << false;
    QTest::newRow("old") << QByteArray("3.1.9") << "Tom und Jerry 100 Prozent"
                         << "alter Webserver der Box - ersetzt: \"&\" -> \"und\", \"%\" -> \"Prozent\"" << true;
    QTest::newRow("unanswered") << QByteArray() << "Tom und Jerry 100 Prozent"
                                << "Webserver der Box noch unbekannt - ersetzt: \"&\" -> \"und\", \"%\" -> \"Prozent\""
                                << true;
}

void TestNhttpdProtocol::requestFollowsWhatWasLearnt()
{
    QFETCH(QByteArray, versionAnswer);
    QFETCH(QString, shown);
    QFETCH(QString, change);
    QFETCH(bool, changed);
    NhttpdProtocol protocol;
    BoxLink box(kBox);
    protocol.readAnswer(box, BoxQuestion::Identity, identity(protocol), answerOf("HTTP/1.1 200 OK\r\n\r\n3.6.0\n"));
    if (versionAnswer.isEmpty())
        protocol.unanswered(box, BoxQuestion::Identity); // what was known is forgotten
    else
        protocol.readAnswer(box, BoxQuestion::Identity, identity(protocol), answerOf("HTTP/1.1 200 OK\r\n\r\n" + versionAnswer));

    const MessageRequest request = protocol.messageRequest(box, nmsg("Tom & Jerry 100%"));
    QCOMPARE(protocol.shownText(request.get), shown);
    QCOMPARE(request.changes.join(QLatin1Char('|')), change);
    QCOMPARE(protocol.changedOnTheWay(nmsg("Tom & Jerry 100%"), shown), changed);
    QVERIFY(!protocol.changedOnTheWay(nmsg("Tom & Jerry 100%"), QString())); // showed nothing
    if (changed) // the record's title and the panel's line change alike
        QCOMPARE(protocol.changedAlike(QStringLiteral("1+1 & mehr")), QStringLiteral("1 plus 1 und mehr"));
    // A box nobody asked: the preview assumes what it is told to.
    QCOMPARE(protocol.shownText(protocol.preview(nmsg("a&b"), BoxProtocol::Assumed::Current).get), QStringLiteral("a&b"));
    QCOMPARE(protocol.shownText(protocol.preview(nmsg("a&b"), BoxProtocol::Assumed::NotYetKnown).get),
             QStringLiteral("a und b"));
}


// The mode question and its fallback: a message is seen in every mode but
// standby and the AV input; a server that knows neither question cannot tell.
void TestNhttpdProtocol::modeAnswers_data()
{
    QTest::addColumn<QList<QByteArray>>("answers"); // to the questions asked, in turn
    QTest::addColumn<QList<QByteArray>>("asked");
    QTest::addColumn<int>("canShow"); // 1, 0, -1: cannot tell

    const QByteArray notFound("HTTP/1.1 404 Not Found\r\n\r\n");
    const QByteArray getmode("/control/getmode"), standby("/control/standby");
    const auto ok = [](const QByteArray &word) { return "HTTP/1.1 200 OK\r\n\r\n" + word + "\n"; };
    QTest::newRow("tv") << QList<QByteArray>{ok("tv")} << QList<QByteArray>{getmode} << 1;
    QTest::newRow("radio") << QList<QByteArray>{ok("radio")} << QList<QByteArray>{getmode} << 1;
    QTest::newRow("standby") << QList<QByteArray>{ok("standby")} << QList<QByteArray>{getmode} << 0;
    QTest::newRow("AV input") << QList<QByteArray>{ok("avinput")} << QList<QByteArray>{getmode} << 0;
    QTest::newRow("unknown mode") << QList<QByteArray>{ok("unknown")} << QList<QByteArray>{getmode} << -1;
    QTest::newRow("old server: standby on") << QList<QByteArray>{notFound, ok("on")}
                                            << QList<QByteArray>{getmode, standby} << 0;
    QTest::newRow("old server: standby off") << QList<QByteArray>{ok("unknown command"), ok("off")}
                                             << QList<QByteArray>{getmode, standby} << 1;
    // Only a server that says it lacks a question is not asked it again.
    QTest::newRow("garbage") << QList<QByteArray>{ok("<html>error</html>")} << QList<QByteArray>{getmode} << -1;
    QTest::newRow("server error") << QList<QByteArray>{"HTTP/1.1 500 Error\r\n\r\n"} << QList<QByteArray>{getmode} << -1;
    QTest::newRow("knows neither") << QList<QByteArray>{notFound, notFound} << QList<QByteArray>{getmode, standby}
                                   << -1;
}

void TestNhttpdProtocol::modeAnswers()
{
    QFETCH(QList<QByteArray>, answers);
    QFETCH(QList<QByteArray>, asked);
    QFETCH(int, canShow);
    NhttpdProtocol protocol;
    BoxLink box(kBox);
    AnswerMeaning meaning;
    for (int i = 0; i < answers.size(); ++i) {
        const std::optional<BoxGet> question = protocol.questionFor(box, BoxQuestion::Mode);
        QVERIFY(question);
        QCOMPARE(question->target, asked.at(i));
        meaning = protocol.readAnswer(box, BoxQuestion::Mode, *question, answerOf(answers.at(i)));
    }
    QCOMPARE(meaning.canShow.has_value() ? int(*meaning.canShow) : -1, canShow);
    // What the server lacks is remembered: it is not asked again.
    const std::optional<BoxGet> next = protocol.questionFor(box, BoxQuestion::Mode);
    if (meaning.verdict == AnswerMeaning::Verdict::NotThisKind)
        QVERIFY(!next);
    else
        QCOMPARE(next->target, asked.last());
}

// How long the box shows a text goes behind it, within the request line's
// limit; a server that decodes twice is older than that parameter.
void TestNhttpdProtocol::displayTimes_data()
{
    QTest::addColumn<QByteArray>("server"); // the Server header learnt
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("ending");

    const QString longText(3000, QLatin1Char('x'));
    QTest::newRow("popup") << QByteArray("nhttpd/3.6.0") << int(MessageKind::Popup) << "Hallo" << QByteArray("=Hallo&timeout=10");
    QTest::newRow("message until closed") << QByteArray("nhttpd/3.6.0") << int(MessageKind::Message) << "Hallo"
                                          << QByteArray("=Hallo&timeout=0");
    QTest::newRow("cut, the time still fits") << QByteArray("nhttpd/3.6.0") << int(MessageKind::Popup) << longText
                                              << QByteArray("%E2%80%A6&timeout=10");
    QTest::newRow("old server: none") << QByteArray("nhttpd/3.1.9") << int(MessageKind::Popup) << "Hallo"
                                      << QByteArray("=Hallo");
}

void TestNhttpdProtocol::displayTimes()
{
    QFETCH(QByteArray, server);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QByteArray, ending);
    NhttpdProtocol protocol;
    BoxLink box(kBox);
    protocol.setDisplayTimes(10, 0);
    protocol.readAnswer(box, BoxQuestion::Identity, identity(protocol), answerOf("HTTP/1.1 404 Not Found\r\nServer: " + server + "\r\n\r\n"));
    const QByteArray target = protocol.messageRequest(box, {MessageKind(kind), text}).get.target;
    QVERIFY2(target.endsWith(ending), target.right(40).constData());
    QVERIFY(target.size() <= RequestTarget::kMaxTarget);
}

QTEST_GUILESS_MAIN(TestNhttpdProtocol)
#include "tst_nhttpdprotocol.moc"
