#include "Messages.h"
#include "BoxRequest.h"
#include "BoxSimulator.h"
#include "boxes/HttpTransport.h"
#include "boxes/Message.h"
#include "boxes/nhttpd/FirmwareKind.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

// The box simulator must read back exactly what the program meant to show:
// a wrong decoding here would make every end-to-end check lie.
class TestBoxRequest : public QObject
{
    Q_OBJECT
private slots:
    void decoding_data();
    void decoding();
    void jsonLine();
    void oneLinePerRequestAndAnswer200();
};

void TestBoxRequest::decoding_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("old"); // a web server before nhttpd 3.4.1
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("popup with line breaks")
        << QByteArray("GET /control/message?popup=Es%20ist%2007%3A25%20Uhr%21%0A%0A07%3A30 HTTP/1.1") << false
        << "popup" << "Es ist 07:25 Uhr!\n\n07:30" << "Es ist 07:25 Uhr!\n\n07:30";
    QTest::newRow("nmsg") << QByteArray("GET /control/message?nmsg=ok HTTP/1.1") << false << "nmsg" << "ok" << "ok";
    QTest::newRow("utf-8 umlaut and euro")
        << QByteArray("GET /control/message?nmsg=M%C3%BCll%20%E2%82%AC%20%C3%A4%C3%9F HTTP/1.1") << false << "nmsg"
        << "Müll € äß" << "Müll € äß";
    QTest::newRow("a windows-1252 byte stops its line")
        << QByteArray("GET /control/message?nmsg=hat%20sich%20ge%E4ndert%3A%0Aweiter HTTP/1.1") << false << "nmsg"
        << "hat sich ge\uFFFDndert:\nweiter" << "hat sich ge\nweiter";
    QTest::newRow("separators are text, '&' ends the value")
        << QByteArray("GET /control/message?nmsg=a%26b%23c%2Bd%3De+f&g=h HTTP/1.1") << false << "nmsg"
        << "a&b#c+d=e+f" << "a&b#c+d=e+f";
    QTest::newRow("lone percent kept") << QByteArray("GET /control/message?nmsg=100%25%20%ZZ HTTP/1.1") << false
                                       << "nmsg" << "100% %ZZ" << "100% %ZZ";
    QTest::newRow("percent cut off at the end") << QByteArray("GET /control/message?nmsg=a%4 HTTP/1.1") << false
                                                << "nmsg" << "a%4" << "a%4";
    QTest::newRow("lower-case hex") << QByteArray("GET /control/message?nmsg=a%0ab HTTP/1.1") << false << "nmsg"
                                    << "a\nb" << "a\nb";
    QTest::newRow("an overlong sequence stops its line")
        << QByteArray("GET /control/message?nmsg=ab%C0%80c%0Ad HTTP/1.1") << false << "nmsg"
        << QString::fromUtf8("ab\uFFFD\uFFFDc\nd") << "ab\nd";
    QTest::newRow("four-byte character drawn")
        << QByteArray("GET /control/message?nmsg=%F0%9F%93%BA%20an HTTP/1.1") << false << "nmsg"
        << QString::fromUtf8("\U0001F4FA an") << QString::fromUtf8("\U0001F4FA an");
    QTest::newRow("a NUL ends the text") << QByteArray("GET /control/message?nmsg=a%00b HTTP/1.1") << false << "nmsg"
                                         << QString::fromUtf8("a\0b", 3) << "a";
    QTest::newRow("empty text") << QByteArray("GET /control/message?popup= HTTP/1.1") << false << "popup" << ""
                                << "";
    QTest::newRow("other kind") << QByteArray("GET /control/message?zap=1 HTTP/1.1") << false << "" << "" << "";
    QTest::newRow("other path") << QByteArray("GET /control/info?nmsg=x HTTP/1.1") << false << "" << "" << "";
    QTest::newRow("no query") << QByteArray("GET /control/message HTTP/1.1") << false << "" << "" << "";
    QTest::newRow("garbage") << QByteArray("hallo") << false << "" << "" << "";
    QTest::newRow("old: an escaped '&' cuts the text")
        << QByteArray("GET /control/message?nmsg=Tom%20%26%20Jerry HTTP/1.1") << true << "nmsg" << "Tom " << "Tom ";
    QTest::newRow("old: '+' is a blank") << QByteArray("GET /control/message?nmsg=1%2B1+2 HTTP/1.1") << true
                                         << "nmsg" << "1 1 2" << "1 1 2";
    QTest::newRow("old: '%' takes two characters, NUL ends the text")
        << QByteArray("GET /control/message?nmsg=50%25%20Rabatt HTTP/1.1") << true << "nmsg"
        << QString::fromUtf8("50\0abatt", 8) << "50";
    QTest::newRow("old: decoded twice") << QByteArray("GET /control/message?nmsg=%2541 HTTP/1.1") << true << "nmsg"
                                        << "A" << "A";
    QTest::newRow("old: utf-8 survives")
        << QByteArray("GET /control/message?nmsg=ge%C3%A4ndert%0A%E2%82%AC HTTP/1.1") << true << "nmsg"
        << "geändert\n€" << "geändert\n€";
    QTest::newRow("old: the kind escaped") << QByteArray("GET /control/message%3Fnmsg=x HTTP/1.1") << true << "nmsg"
                                           << "x" << "x";
}

void TestBoxRequest::decoding()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, old);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    const BoxRequest r = BoxRequest::fromRequestLine(line, old ? FirmwareKind::Old : FirmwareKind::New);
    QCOMPARE(r.requestLine, line);
    QCOMPARE(r.kind, kind);
    QCOMPARE(r.text, text);
    QCOMPARE(r.shown, shown);
}

void TestBoxRequest::jsonLine()
{
    const BoxRequest r = BoxRequest::fromRequestLine("GET /control/message?nmsg=%22a%22%0A%5C%C3%A4%FC HTTP/1.1");
    const QByteArray line = r.toJsonLine(QStringLiteral("10.77.0.2"), QStringLiteral("2026-12-24T06:25:00.000Z"));
    QVERIFY(!line.contains('\n')); // one request, one line
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o.value("address").toString(), QStringLiteral("10.77.0.2"));
    QCOMPARE(o.value("time").toString(), QStringLiteral("2026-12-24T06:25:00.000Z"));
    QCOMPARE(o.value("request").toString(), QStringLiteral("GET /control/message?nmsg=%22a%22%0A%5C%C3%A4%FC HTTP/1.1"));
    QCOMPARE(o.value("kind").toString(), QStringLiteral("nmsg"));
    QCOMPARE(o.value("text").toString(), QString::fromUtf8("\"a\"\n\\ä\uFFFD"));
    QCOMPARE(o.value("shown").toString(), QString::fromUtf8("\"a\"\n\\ä"));
}

void TestBoxRequest::oneLinePerRequestAndAnswer200()
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));

    HttpTransport transport(box.port(), 5000);
    QSignalSpy done(&transport, &HttpTransport::done);
    for (int i = 0; i < 3; ++i)
        transport.submit(QStringLiteral("127.0.0.1"), nmsg(QString::number(i)));

    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 3, 10000);
    for (const QList<QVariant> &d : done)
        QCOMPARE(d.at(1).value<SendResult>().httpStatus, 200);
    const QList<QByteArray> lines = out.data().split('\n');
    QCOMPARE(lines.size(), 4); // three lines and the empty rest behind the last line end
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(QJsonDocument::fromJson(lines.at(i)).object().value("text").toString(), QString::number(i));
}

QTEST_MAIN(TestBoxRequest)
#include "tst_boxrequest.moc"
