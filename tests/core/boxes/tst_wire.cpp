#include "BoxSimulator.h"
#include "Messages.h"
#include "boxes/BoxProtocol.h"
#include "boxes/HttpTransport.h"
#include "boxes/SendResult.h"
#include "boxes/nhttpd/RequestTarget.h"

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
};

namespace {

const QStringList kKinds = {QStringLiteral("nhttpd-new"), QStringLiteral("nhttpd-old")};

void setUp(BoxSimulator &box, const QString &kind)
{
    box.setFirmware(kind == QLatin1String("nhttpd-old") ? FirmwareKind::Old : FirmwareKind::New);
}

// The longest request line the kind's web server reads.
int maxRequestLine(const QString &)
{
    return RequestTarget::kMaxRequestLine;
}

// One row per kind: shown on every kind, unless the kind is named in other.
void row(const char *name, const QString &text, const QString &shown, const QHash<QString, QString> &other = {})
{
    for (const QString &kind : kKinds)
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
    row("ascii at the limit", ascii, ascii);
    row("ascii one over the limit", ascii + 'y', QString(room - 9, QLatin1Char('x')) + ellipsis);
    row("umlauts at the limit", umlauts, umlauts);
    row("umlauts one over the limit", umlauts + 'y', QString((room - 9) / 6, QChar(0xE4)) + ellipsis);
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

    const BoxProtocol &protocol = transport.protocols().protocolFor(address);
    QCOMPARE(protocol.version(address), QString::fromLatin1(box.version()));
    QCOMPARE(recorded.count(), 2);
    const QJsonObject question = QJsonDocument::fromJson(recorded.at(0).at(0).toByteArray()).object();
    QCOMPARE(question.value("request").toString().toLatin1(),
             "GET " + protocol.question(BoxQuestion::Identity)->target + " HTTP/1.1");
    const QJsonObject message = QJsonDocument::fromJson(recorded.at(1).at(0).toByteArray()).object();
    QCOMPARE(message.value("shown").toString(), shown); // ... and what the box draws
    QVERIFY(message.value("request").toString().toLatin1().size() + 2 <= maxRequestLine(kind));
}

QTEST_GUILESS_MAIN(TestWire)
#include "tst_wire.moc"
