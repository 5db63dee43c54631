#include "BoxRequest.h"
#include "BoxSimulator.h"
#include "boxes/HttpTransport.h"
#include "boxes/RequestChannel.h"

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
    void roundTripThroughTheProgramsSender_data();
    void roundTripThroughTheProgramsSender();
    void oneLinePerRequestAndAnswer200();
};

void TestBoxRequest::decoding_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");

    QTest::newRow("popup with line breaks")
        << QByteArray("GET /control/message?popup=Es%20ist%2007%3A25%20Uhr%21%0A%0A07%3A30 HTTP/1.1")
        << "popup" << "Es ist 07:25 Uhr!\n\n07:30";
    QTest::newRow("nmsg") << QByteArray("GET /control/message?nmsg=ok HTTP/1.1") << "nmsg" << "ok";
    QTest::newRow("windows-1252 umlaut and euro")
        << QByteArray("GET /control/message?nmsg=M%FCll%20%80%20%E4%DF HTTP/1.1") << "nmsg"
        << QString::fromUtf8("Müll € äß");
    QTest::newRow("separators are text")
        << QByteArray("GET /control/message?nmsg=a%26b%23c%2Bd%3De+f&g=h HTTP/1.1") << "nmsg" << "a&b#c+d=e+f&g=h";
    QTest::newRow("lone percent kept") << QByteArray("GET /control/message?nmsg=100%25%20%ZZ HTTP/1.1") << "nmsg"
                                       << "100% %ZZ";
    QTest::newRow("percent cut off at the end") << QByteArray("GET /control/message?nmsg=a%4 HTTP/1.1") << "nmsg"
                                                << "a%4";
    QTest::newRow("lower-case hex") << QByteArray("GET /control/message?nmsg=a%0ab HTTP/1.1") << "nmsg" << "a\nb";
    QTest::newRow("empty text") << QByteArray("GET /control/message?popup= HTTP/1.1") << "popup" << "";
    QTest::newRow("other kind") << QByteArray("GET /control/message?zap=1 HTTP/1.1") << "" << "";
    QTest::newRow("other path") << QByteArray("GET /control/info?nmsg=x HTTP/1.1") << "" << "";
    QTest::newRow("no query") << QByteArray("GET /control/message HTTP/1.1") << "" << "";
    QTest::newRow("garbage") << QByteArray("hallo") << "" << "";
}

void TestBoxRequest::decoding()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    const BoxRequest r = BoxRequest::fromRequestLine(line);
    QCOMPARE(r.requestLine, line);
    QCOMPARE(r.kind, kind);
    QCOMPARE(r.text, text);
}

void TestBoxRequest::jsonLine()
{
    const BoxRequest r = BoxRequest::fromRequestLine("GET /control/message?nmsg=%22a%22%0A%5C%E4 HTTP/1.1");
    const QByteArray line = r.toJsonLine(QStringLiteral("10.77.0.2"), QStringLiteral("2026-12-24T06:25:00.000Z"));
    QVERIFY(!line.contains('\n')); // one request, one line
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o.value("address").toString(), QStringLiteral("10.77.0.2"));
    QCOMPARE(o.value("time").toString(), QStringLiteral("2026-12-24T06:25:00.000Z"));
    QCOMPARE(o.value("request").toString(), QStringLiteral("GET /control/message?nmsg=%22a%22%0A%5C%E4 HTTP/1.1"));
    QCOMPARE(o.value("kind").toString(), QStringLiteral("nmsg"));
    QCOMPARE(o.value("text").toString(), QString::fromUtf8("\"a\"\n\\ä"));
}

void TestBoxRequest::roundTripThroughTheProgramsSender_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("reminder") << QString::fromUtf8("/control/message?popup=Es ist 07:25 Uhr!%0A---%0A%0A07:30 Uhr Müll")
                              << "popup" << QString::fromUtf8("Es ist 07:25 Uhr!\n---\n\n07:30 Uhr Müll");
    QTest::newRow("separators and percent")
        << QString::fromUtf8("/control/message?nmsg=a&b #c+d 100% ä%0A") << "nmsg"
        << QString::fromUtf8("a&b #c+d 100% ä\n");
    QTest::newRow("status notice")
        << QString::fromUtf8("/control/message?nmsg=Der Status der D-Boxen hat sich geändert:%0A%0A- die 2. D-Box wurde "
                             "ausgeschaltet%0A")
        << "nmsg" << QString::fromUtf8("Der Status der D-Boxen hat sich geändert:\n\n- die 2. D-Box wurde ausgeschaltet\n");
}

void TestBoxRequest::roundTripThroughTheProgramsSender()
{
    QFETCH(QString, document);
    QFETCH(QString, kind);
    QFETCH(QString, text);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    QSignalSpy recorded(&box, &BoxSimulator::requestRecorded);

    HttpTransport transport(box.port(), 5000);
    QSignalSpy finished(&transport, &HttpTransport::finished);
    RequestChannel channel(&transport);
    channel.send(QStringLiteral("127.0.0.1"), document);

    QVERIFY(recorded.wait(5000));
    const QJsonObject o = QJsonDocument::fromJson(recorded.at(0).at(0).toByteArray()).object();
    QCOMPARE(o.value("kind").toString(), kind);
    QCOMPARE(o.value("text").toString(), text);
    QCOMPARE(o.value("address").toString(), QStringLiteral("127.0.0.1"));

    QVERIFY(finished.count() == 1 || finished.wait(5000));
    QCOMPARE(finished.at(0).at(2).toInt(), 200);
}

void TestBoxRequest::oneLinePerRequestAndAnswer200()
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));

    HttpTransport transport(box.port(), 5000);
    QSignalSpy finished(&transport, &HttpTransport::finished);
    RequestChannel channel(&transport);
    for (int i = 0; i < 3; ++i)
        channel.send(QStringLiteral("127.0.0.1"), QStringLiteral("/control/message?nmsg=%1").arg(i));

    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, 10000);
    for (const QList<QVariant> &f : finished)
        QCOMPARE(f.at(2).toInt(), 200);
    const QList<QByteArray> lines = out.data().split('\n');
    QCOMPARE(lines.size(), 4); // three lines and the empty rest behind the last line end
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(QJsonDocument::fromJson(lines.at(i)).object().value("text").toString(), QString::number(i));
}

QTEST_MAIN(TestBoxRequest)
#include "tst_boxrequest.moc"
