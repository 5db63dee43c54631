#include "Messages.h"
#include "boxes/HttpAnswer.h"
#include "boxes/nhttpd/NhttpdProtocol.h"

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
    const BoxGet request = question ? identity(protocol) : protocol.messageRequest(kBox, nmsg("x")).get;
    const AnswerMeaning meaning = protocol.readAnswer(kBox, request, answerOf(answer));
    QCOMPARE(int(meaning.verdict), verdict);
    QCOMPARE(meaning.version, version);
    QCOMPARE(protocol.version(kBox), version);
    QCOMPARE(protocol.version(QStringLiteral("127.0.0.3")), QString()); // each box on its own
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
    protocol.readAnswer(kBox, identity(protocol), answerOf("HTTP/1.1 200 OK\r\n\r\n3.6.0\n"));
    if (versionAnswer.isEmpty())
        protocol.unanswered(kBox, identity(protocol)); // what was known is forgotten
    else
        protocol.readAnswer(kBox, identity(protocol), answerOf("HTTP/1.1 200 OK\r\n\r\n" + versionAnswer));

    const MessageRequest request = protocol.messageRequest(kBox, nmsg("Tom & Jerry 100%"));
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

QTEST_GUILESS_MAIN(TestNhttpdProtocol)
#include "tst_nhttpdprotocol.moc"
