#include "FaultyBox.h"
#include "Messages.h"
#include "RecordingHttpServer.h"
#include "boxes/SendResultText.h"
#include "boxes/nhttpd/BoxFirmware.h"
#include "boxes/HttpTransport.h"
#include "boxes/Message.h"
#include "boxes/nhttpd/RequestTarget.h"

#include <QElapsedTimer>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

namespace {

// The result of a done() signal the spy recorded.
SendResult resultAt(const QSignalSpy &done, int i)
{
    return done.at(i).at(1).value<SendResult>();
}

} // namespace

class TestHttpTransport : public QObject
{
    Q_OBJECT
private slots:
    void encoding_data();
    void encoding();
    void versionQueryAsWritten();
    void requestLineOnTheWire();
    void addressesNeverContacted_data();
    void addressesNeverContacted();
    void silentServerTimesOut();
    void sameAddressInOrder();
    void submittedMessageEndsOnceAfterSubmit();
    void silentAddressDoesNotDelayAnother();
    void silentBoxCostsEachMessageItsOwnTime();
    void connectionsToOneBoxAreLimited();
    void faultyBox_data();
    void faultyBox();
    void queryHoldsTheNextBack();
    void firmwareFromVersion_data();
    void firmwareFromVersion();
    void firmwareLearntFromAnswers();
};

void TestHttpTransport::encoding_data()
{
    QTest::addColumn<Message>("message");
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("percent before hex digits") << nmsg("a%0Ab") << QByteArray("/control/message?nmsg=a%250Ab");
    QTest::newRow("percent before a letter") << nmsg("30%Be") << QByteArray("/control/message?nmsg=30%25Be");
    QTest::newRow("percent before zeros") << nmsg("50%00") << QByteArray("/control/message?nmsg=50%2500");
    QTest::newRow("blank") << popup("Es ist") << QByteArray("/control/message?popup=Es%20ist");
    QTest::newRow("umlaut in utf-8") << nmsg("Müll") << QByteArray("/control/message?nmsg=M%C3%BCll");
    QTest::newRow("euro and quotes") << nmsg("€ „x“") << QByteArray("/control/message?nmsg=%E2%82%AC%20%E2%80%9Ex%E2%80%9C");
    QTest::newRow("separators") << nmsg("a&b#c+d=e?f") << QByteArray("/control/message?nmsg=a%26b%23c%2Bd%3De%3Ff");
    QTest::newRow("lone percent") << nmsg("100% sicher") << QByteArray("/control/message?nmsg=100%25%20sicher");
    QTest::newRow("percent before one hex digit") << nmsg("%A") << QByteArray("/control/message?nmsg=%25A");
    QTest::newRow("raw line feed") << nmsg("a\nb") << QByteArray("/control/message?nmsg=a%0Ab");
    QTest::newRow("unreserved stay") << nmsg("A-z.0_9~") << QByteArray("/control/message?nmsg=A-z.0_9~");
    QTest::newRow("slash in text escaped") << nmsg("1/2") << QByteArray("/control/message?nmsg=1%2F2");
    QTest::newRow("outside the basic plane") << nmsg("日😀") << QByteArray("/control/message?nmsg=%E6%97%A5%F0%9F%98%80");
    QTest::newRow("empty text") << nmsg("") << QByteArray("/control/message?nmsg=");
}

void TestHttpTransport::encoding()
{
    QFETCH(Message, message);
    QFETCH(QByteArray, target);
    QCOMPARE(RequestTarget::encode(message, FirmwareKind::New).target, target);
    // The box reads the message back whole.
    QCOMPARE(RequestTarget::decode(target), std::optional<Message>(message));
}

void TestHttpTransport::versionQueryAsWritten()
{
    QCOMPARE(RequestTarget::encodeQuery(RequestTarget::kVersionQuery), QByteArray("/control/info?nhttpd_version"));
    QVERIFY(!RequestTarget::decode("/control/info?nhttpd_version"));
}

void TestHttpTransport::requestLineOnTheWire()
{
    RecordingHttpServer server;
    QVERIFY(server.listen());
    HttpTransport transport(server.port(), 5000);
    QSignalSpy done(&transport, &HttpTransport::done);
    // Nothing is known of this box yet: "&", "+" and "%" go as words.
    transport.submit(" 127.0.0.1 ", popup("Es ist 07:25 Uhr!\n--\n\n07:30 Uhr Müll & Co #1 + 50% mehr\nx"));
    QVERIFY(server.waitForRequests(1));
    QCOMPARE(server.requests().at(0).requestLine,
             QByteArray("GET /control/message?popup=Es%20ist%2007%3A25%20Uhr%21%0A--%0A%0A07%3A30%20Uhr%20M%C3%BCll%20"
                        "und%20Co%20%231%20plus%2050%20Prozent%20mehr%0Ax HTTP/1.1"));
    QVERIFY(server.requests().at(0).head.contains("\r\nHost: 127.0.0.1:"));
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 5000);
    QCOMPARE(resultAt(done, 0).httpStatus, 200);
    QVERIFY(resultAt(done, 0).delivered());
}

void TestHttpTransport::addressesNeverContacted_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("unconfigured") << "0.0.0.0";
    QTest::newRow("unconfigured with blanks") << " 0.0.0.0 ";
    QTest::newRow("broadcast") << "255.255.255.255";
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "   ";
    QTest::newRow("inner blank") << "a b";
    QTest::newRow("path") << "host/x";
    QTest::newRow("port out of range") << "1.2.3.4:0";
    QTest::newRow("octet too large") << "300.1.1.1";
    QTest::newRow("user info") << "user@127.0.0.1";
    QTest::newRow("too long") << QString(254, QLatin1Char('a'));
}

void TestHttpTransport::addressesNeverContacted()
{
    QFETCH(QString, address);
    RecordingHttpServer server;
    QVERIFY(server.listen(QHostAddress::Any));
    HttpTransport transport(server.port(), 2000);
    QSignalSpy done(&transport, &HttpTransport::done);
    transport.submit(address, nmsg("x"));
    QCOMPARE(transport.pendingCount(), 0); // dropped at once, nothing queued
    QTRY_COMPARE(done.size(), 1);
    QCOMPARE(resultAt(done, 0).outcome, DeliveryOutcome::NotSent);
    QCOMPARE(resultAt(done, 0).httpStatus, 0);
    QVERIFY(!SendResultText::reason(resultAt(done, 0)).isEmpty());
    QTest::qWait(100);
    QCOMPARE(server.connectionCount(), 0);
}

void TestHttpTransport::silentServerTimesOut()
{
    RecordingHttpServer server;
    server.setAnswering(false);
    QVERIFY(server.listen());
    HttpTransport transport(server.port(), 300);
    QSignalSpy done(&transport, &HttpTransport::done);
    QElapsedTimer started;
    started.start();
    transport.submit("127.0.0.1", nmsg("x"));
    QVERIFY(started.elapsed() < 100); // start returns at once (a generous bound, not a speed goal)
    QVERIFY(done.wait(5000));
    QCOMPARE(resultAt(done, 0).outcome, DeliveryOutcome::TimedOut);
    QCOMPARE(resultAt(done, 0).httpStatus, 0);
    QVERIFY(!SendResultText::reason(resultAt(done, 0)).isEmpty());
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(transport.pendingCount(), 0);
}

void TestHttpTransport::sameAddressInOrder()
{
    RecordingHttpServer server;
    QVERIFY(server.listen());
    HttpTransport transport(server.port(), 5000);
    for (int i = 0; i < 5; ++i)
        transport.submit("127.0.0.1", nmsg(QString::number(i)));
    QVERIFY(server.waitForRequests(5));
    QCOMPARE(server.targets(),
             (QList<QByteArray>{"/control/message?nmsg=0", "/control/message?nmsg=1", "/control/message?nmsg=2",
                                "/control/message?nmsg=3", "/control/message?nmsg=4"}));
}

// A caller connects to done() after submit() returns, so even a refusal at
// once must come later; the shown text is what the box was sent.
void TestHttpTransport::submittedMessageEndsOnceAfterSubmit()
{
    RecordingHttpServer server;
    QVERIFY(server.listen());
    HttpTransport transport(server.port(), 5000);
    QSignalSpy done(&transport, &HttpTransport::done);
    const quint64 refused = transport.submit("224.0.0.1", nmsg("nie"));
    const quint64 sent = transport.submit("127.0.0.1", nmsg("Tom & Jerry"));
    QCOMPARE(done.count(), 0);
    QTRY_COMPARE(done.count(), 2);
    QTest::qWait(50);
    QCOMPARE(done.count(), 2);
    for (const QList<QVariant> &d : done) {
        const auto result = d.at(1).value<SendResult>();
        if (d.at(0).toULongLong() == refused) {
            QCOMPARE(result.outcome, DeliveryOutcome::NotSent);
            QVERIFY(!SendResultText::reason(result).isEmpty());
            QVERIFY(result.shownText.isEmpty());
        } else {
            QCOMPARE(d.at(0).toULongLong(), sent);
            QVERIFY(result.delivered());
            QCOMPARE(result.shownText, QString("Tom und Jerry")); // web server not known yet
        }
    }
}

void TestHttpTransport::silentAddressDoesNotDelayAnother()
{
    RecordingHttpServer silent, live;
    silent.setAnswering(false);
    QVERIFY(silent.listen(QHostAddress("127.0.0.2")));
    QVERIFY(live.listen(QHostAddress("127.0.0.3"), silent.port()));
    HttpTransport transport(silent.port(), 10000);
    transport.submit("127.0.0.2", nmsg("first"));
    transport.submit("127.0.0.2", nmsg("second")); // goes once "first" is written
    transport.submit("127.0.0.3", nmsg("other"));
    QVERIFY(live.waitForRequests(1, 3000));
    QVERIFY(silent.waitForRequests(2, 3000));
    QCOMPARE(silent.targets(), (QList<QByteArray>{"/control/message?nmsg=first", "/control/message?nmsg=second"}));
    QTRY_COMPARE(transport.pendingCount(), 2); // both waiting for their answers
}

void TestHttpTransport::silentBoxCostsEachMessageItsOwnTime()
{
    RecordingHttpServer silent;
    silent.setAnswering(false);
    QVERIFY(silent.listen());
    HttpTransport transport(silent.port(), 400);
    QSignalSpy done(&transport, &HttpTransport::done);
    for (const char *text : {"a", "b", "c", "d"}) {
        transport.submit("127.0.0.1", nmsg(text));
        QTest::qWait(150);
    }
    // None is dropped for waiting behind another: each goes out once and
    // fails after its own time-out.
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 4, 3000);
    QCOMPARE(silent.targets(), (QList<QByteArray>{"/control/message?nmsg=a", "/control/message?nmsg=b",
                                                  "/control/message?nmsg=c", "/control/message?nmsg=d"}));
    for (int i = 0; i < done.size(); ++i) {
        QCOMPARE(resultAt(done, i).outcome, DeliveryOutcome::TimedOut);
        QCOMPARE(SendResultText::reason(resultAt(done, i)), QString("keine Antwort nach 0.4 s"));
    }
    QCOMPARE(transport.pendingCount(), 0);
}

void TestHttpTransport::connectionsToOneBoxAreLimited()
{
    RecordingHttpServer silent;
    silent.setAnswering(false);
    QVERIFY(silent.listen());
    HttpTransport transport(silent.port(), 5000);
    const int n = HttpTransport::kMaxConnectionsPerBox + 2;
    for (int i = 0; i < n; ++i)
        transport.submit("127.0.0.1", nmsg(QString::number(i)));
    QVERIFY(silent.waitForRequests(HttpTransport::kMaxConnectionsPerBox, 3000));
    QTest::qWait(200);
    QCOMPARE(silent.connectionCount(), HttpTransport::kMaxConnectionsPerBox);
    QCOMPARE(transport.pendingCount(), n); // the last two wait, their time running
}

void TestHttpTransport::faultyBox_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");
    QTest::newRow("endless body") << int(FaultyBox::Fault::EndlessBody) << 200 << QString();
    QTest::newRow("endless header lines") << int(FaultyBox::Fault::EndlessHeaders) << 200 << QString();
    QTest::newRow("close after the request")
        << int(FaultyBox::Fault::CloseAfterRequest) << 0 << "Verbindung geschlossen ohne Antwort";
    QTest::newRow("reset after the request")
        << int(FaultyBox::Fault::ResetAfterRequest) << 0 << "Verbindung geschlossen ohne Antwort";
    QTest::newRow("garbage") << int(FaultyBox::Fault::Garbage) << 0 << "ungültige Antwort (keine HTTP-Statuszeile)";
}

void TestHttpTransport::faultyBox()
{
    QFETCH(int, fault);
    QFETCH(int, status);
    QFETCH(QString, error);
    FaultyBox box{static_cast<FaultyBox::Fault>(fault)};
    QVERIFY(box.listen(QHostAddress("127.0.0.2")));
    RecordingHttpServer healthy;
    QVERIFY(healthy.listen(QHostAddress("127.0.0.3"), box.port()));
    HttpTransport transport(box.port(), 5000);
    QSignalSpy done(&transport, &HttpTransport::done);
    QSet<quint64> toFaulty;

    for (int round = 0; round < 3; ++round) {
        toFaulty.insert(transport.submit("127.0.0.2", nmsg("faulty")));
        transport.submit("127.0.0.3", nmsg("healthy"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 6, 4000);
    QCOMPARE(healthy.requests().size(), 3);
    QTest::qWait(200); // room for a second attempt, which must not come
    QCOMPARE(box.requests(), 3);
    QCOMPARE(box.connections(), 3);
    QCOMPARE(done.size(), 6);
    for (int i = 0; i < done.size(); ++i) {
        const SendResult result = resultAt(done, i);
        if (toFaulty.contains(done.at(i).at(0).toULongLong())) {
            QCOMPARE(result.httpStatus, status);
            QCOMPARE(result.outcome, status ? DeliveryOutcome::Answered : DeliveryOutcome::Failed);
            QCOMPARE(SendResultText::reason(result), error);
        } else {
            QCOMPARE(result.httpStatus, 200);
        }
    }
    // The head of an endless answer was read and handed on: its Server
    // header told the box's version.
    if (fault == int(FaultyBox::Fault::EndlessBody))
        QCOMPARE(transport.link("127.0.0.2")->learnt(BoxKind::Nhttpd).version, QString("3.1.9"));
    QCOMPARE(transport.pendingCount(), 0);
}

void TestHttpTransport::queryHoldsTheNextBack()
{
    RecordingHttpServer slow;
    slow.setAnswering(false);
    QVERIFY(slow.listen());
    HttpTransport transport(slow.port(), 1000);
    QSignalSpy done(&transport, &HttpTransport::done);
    transport.identify("127.0.0.1");
    QVERIFY(slow.waitForRequests(1));
    QCOMPARE(slow.targets().first(), QByteArray("/control/info?nhttpd_version"));
    QTest::qWait(300);
    transport.submit("127.0.0.1", nmsg("after"));
    QTest::qWait(200);
    QCOMPARE(slow.requests().size(), 1); // "after" waits for the answer (here: the time-out)
    QVERIFY(slow.waitForRequests(2, 3000));
    QCOMPARE(slow.targets().last(), QByteArray("/control/message?nmsg=after"));
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 3000); // only messages end in done()
    QCOMPARE(resultAt(done, 0).outcome, DeliveryOutcome::TimedOut);
}

void TestHttpTransport::firmwareFromVersion_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<int>("kind");
    const int unknown = int(FirmwareKind::Unknown), old = int(FirmwareKind::Old), current = int(FirmwareKind::New);
    QTest::newRow("3.6.0") << QByteArray("3.6.0") << current;
    QTest::newRow("3.4.1, the first that decodes once") << QByteArray("3.4.1") << current;
    QTest::newRow("3.4.0") << QByteArray("3.4.0") << old;
    QTest::newRow("3.1.9") << QByteArray("3.1.9") << old;
    QTest::newRow("3.10 is after 3.4") << QByteArray("3.10") << current;
    QTest::newRow("4.0") << QByteArray("4.0") << current;
    QTest::newRow("2.9.9.9") << QByteArray("2.9.9.9") << old;
    QTest::newRow("empty") << QByteArray() << unknown;
    QTest::newRow("one number") << QByteArray("3") << unknown;
    QTest::newRow("not a number") << QByteArray("3.x.1") << unknown;
    QTest::newRow("a page") << QByteArray("<html>") << unknown;
}

void TestHttpTransport::firmwareFromVersion()
{
    QFETCH(QByteArray, version);
    QFETCH(int, kind);
    QCOMPARE(int(BoxFirmware::fromVersion(version)), kind);
}

void TestHttpTransport::firmwareLearntFromAnswers()
{
    const QString box = QStringLiteral("127.0.0.1");
    const QByteArray query = RequestTarget::kVersionQuery.toLatin1();
    BoxLink link(box);
    QCOMPARE(BoxFirmware::kindOf(link), FirmwareKind::Unknown);
    BoxFirmware::learn(link, false, "nhttpd/3.1.9", "ok");
    QCOMPARE(BoxFirmware::kindOf(link), FirmwareKind::Old);
    BoxFirmware::learn(link, false, "Apache", "3.6.0"); // neither says anything
    QCOMPARE(BoxFirmware::kindOf(link), FirmwareKind::Old);
    BoxFirmware::learn(link, true, QByteArray(), "3.6.0\n");
    QCOMPARE(BoxFirmware::kindOf(link), FirmwareKind::New);
    BoxFirmware::unanswered(link, false); // says nothing of the web server
    QCOMPARE(BoxFirmware::kindOf(link), FirmwareKind::New);
    BoxFirmware::unanswered(link, true); // a box that does not answer this counts as unknown
    QCOMPARE(BoxFirmware::kindOf(link), FirmwareKind::Unknown);
    BoxFirmware::learn(link, true, QByteArray(), "3.6.0\n");
    QCOMPARE(BoxFirmware::kindOf(BoxLink(QStringLiteral("127.0.0.2"))), FirmwareKind::Unknown);

    // Through the transport: the Server header of a real answer.
    FaultyBox server{FaultyBox::Fault::EndlessBody};
    QVERIFY(server.listen());
    HttpTransport transport(server.port(), 5000);
    QSignalSpy done(&transport, &HttpTransport::done);
    transport.identify(box);
    transport.submit(box, nmsg("x")); // ends once the question is done
    QVERIFY(done.wait(5000));
    QCOMPARE(server.requests(), 2);
    QCOMPARE(transport.link(box)->learnt(BoxKind::Nhttpd).version, QString("3.1.9"));
}

QTEST_GUILESS_MAIN(TestHttpTransport)
#include "tst_httptransport.moc"
