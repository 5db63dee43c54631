// Which kind of box is at an address, found by asking it through the real
// sender and transport: what each kind of box is asked, where its messages
// go, what the record and the log name, and that a box's login never
// reaches a log line or the record.
#include "BoxSimulator.h"
#include "FakeClock.h"
#include "Messages.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"

#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/enigma2/Enigma2Protocol.h"

#include <QBuffer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

class TestBoxKind : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void detection_data();
    void detection();
    void kindFollowsTheAddress_data();
    void kindFollowsTheAddress();
    void loginNeverLogged_data();
    void loginNeverLogged();
};

namespace {

const QByteArray kVersionQuery = "/control/info?nhttpd_version";

QStringList g_log;
QtMessageHandler g_previous = nullptr;

void keepLog(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    g_log << text;
    g_previous(type, context, text);
}

// A box for the tests: boxsim of a kind, or a server that answers every
// request 200 "ok" (neither kind's answer); what it was asked, in order.
struct TestBox {
    std::unique_ptr<QBuffer> out = std::make_unique<QBuffer>();
    std::unique_ptr<BoxSimulator> sim;
    std::unique_ptr<RecordingHttpServer> plain;

    explicit TestBox(const QString &kind)
    {
        if (kind == QLatin1String("neither")) {
            plain = std::make_unique<RecordingHttpServer>();
            return;
        }
        out->open(QIODevice::WriteOnly);
        sim = std::make_unique<BoxSimulator>(out.get());
        sim->setFirmware(kind == QLatin1String("nhttpd-old") ? FirmwareKind::Old : FirmwareKind::New);
        sim->setKind(kind.startsWith(QLatin1String("enigma2")) ? BoxSimulator::Kind::Enigma2
                                                                : BoxSimulator::Kind::Nhttpd);
        if (kind == QLatin1String("enigma2-login"))
            sim->setLogin("anna:geheim:1");
    }
    bool listen(const QString &address, quint16 port)
    {
        return sim ? sim->listen(QHostAddress(address), port) : plain->listen(QHostAddress(address), port);
    }
    quint16 port() const { return sim ? sim->port() : plain->port(); }
    QList<QByteArray> targets() const
    {
        if (plain)
            return plain->targets();
        QList<QByteArray> targets;
        for (const QByteArray &line : out->data().split('\n'))
            if (!line.isEmpty())
                targets << QJsonDocument::fromJson(line).object().value("request").toString().toLatin1().split(' ').value(1);
        return targets;
    }
};

QByteArray boxList(const QString &box2)
{
    return "0.0.0.0\r\n" + box2.toLatin1() + "\r\n0.0.0.0\r\n0.0.0.0\r\n0\r\n0\r\n0\r\n0\r\n";
}

// Box 2 is asked what it is and sent "a", as zelvo send alone does; its entry in the record.
Delivery askAndSend(BoxSender &sender, DeliveryRecord &record)
{
    sender.identifyAt(sender.boxList()->boxes().address(2));
    sender.send(2, nmsg("a"), {MessageSource::Script});
    if (!QTest::qWaitFor([&] { return record.entries().back().outcome != DeliveryOutcome::Waiting; }, 15000))
        return {};
    return record.entries().back();
}

QStringList kindLines()
{
    return g_log.filter(QStringLiteral("-Receiver"));
}

} // namespace

void TestBoxKind::init()
{
    g_log.clear();
    g_previous = qInstallMessageHandler(keepLog);
}

void TestBoxKind::cleanup()
{
    qInstallMessageHandler(g_previous);
}

void TestBoxKind::detection_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<QByteArray>>("asked"); // what the box got, the message last
    QTest::addColumn<QString>("shownKind");       // beside the box, in the record and the lamp's tip
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("logged"); // the one line naming the kind, or none

    const QByteArray about = "/api/about", nmsgA = "/control/message?nmsg=a";
    const QByteArray apiA = "/api/message?text=a&type=1&timeout=60";
    const QString taken = "beantwortet (HTTP 200)";
    QTest::newRow("current nhttpd box") << "nhttpd-new" << QList<QByteArray>{kVersionQuery, nmsgA} << "" << taken << "";
    QTest::newRow("old nhttpd box") << "nhttpd-old" << QList<QByteArray>{kVersionQuery, nmsgA} << "" << taken << "";
    QTest::newRow("Enigma2 box") << "enigma2" << QList<QByteArray>{kVersionQuery, about, apiA} << "Enigma2" << taken
                                 << "Box 2 (127.0.0.1) ist ein Enigma2-Receiver, Webinterface OWIF 1.5.2";
    QTest::newRow("Enigma2 box wanting a login")
        << "enigma2-login" << QList<QByteArray>{kVersionQuery, about, apiA} << "Enigma2"
        << "Fehler: " + Enigma2Protocol::loginRequired() << "Box 2 (127.0.0.1) ist ein Enigma2-Receiver";
    QTest::newRow("answers neither") << "neither" << QList<QByteArray>{kVersionQuery, about, nmsgA} << "" << taken << "";
}

void TestBoxKind::detection()
{
    QFETCH(QString, kind);
    QFETCH(QList<QByteArray>, asked);
    QFETCH(QString, shownKind);
    QFETCH(QString, outcome);
    QFETCH(QString, logged);

    TestBox box(kind);
    QVERIFY(box.listen(QStringLiteral("127.0.0.1"), 0));
    TempFolder folder;
    folder.write("boxip.ini", boxList("127.0.0.1"));
    BoxListSource boxes(folder.dir());
    FakeClock clock;
    DeliveryRecord record(clock);
    BoxSender sender(&boxes, {box.port(), 5000});
    sender.keepRecordIn(&record);

    const Delivery entry = askAndSend(sender, record);
    QCOMPARE(box.targets(), asked);
    QCOMPARE(entry.outcomeText(), outcome);
    QCOMPARE(sender.kindOf(2), shownKind);
    QCOMPARE(entry.boxText(), shownKind.isEmpty() ? "Box 2 (127.0.0.1)" : "Box 2 (" + shownKind + ", 127.0.0.1)");
    QCOMPARE(kindLines(), logged.isEmpty() ? QStringList() : QStringList{logged});
}

void TestBoxKind::kindFollowsTheAddress_data()
{
    QTest::addColumn<QString>("next");                // box 2's address after the Enigma2 box
    QTest::addColumn<QList<QByteArray>>("nextAsked"); // what the nhttpd box there got
    const QByteArray nmsgA = "/control/message?nmsg=a";
    QTest::newRow("new address") << "127.0.0.2" << QList<QByteArray>{kVersionQuery, nmsgA};
    // Asked the kind it was last found to be first.
    QTest::newRow("another box, same address") << "127.0.0.1"
                                               << QList<QByteArray>{"/api/about", kVersionQuery, nmsgA};
}

// An Enigma2 box, then an nhttpd box for box 2: its messages go nhttpd's way.
void TestBoxKind::kindFollowsTheAddress()
{
    QFETCH(QString, next);
    QFETCH(QList<QByteArray>, nextAsked);

    auto first = std::make_unique<TestBox>(QStringLiteral("enigma2"));
    QVERIFY(first->listen(QStringLiteral("127.0.0.1"), 0));
    const quint16 port = first->port();
    TempFolder folder;
    folder.write("boxip.ini", boxList("127.0.0.1"));
    BoxListSource boxes(folder.dir());
    FakeClock clock;
    DeliveryRecord record(clock);
    BoxSender sender(&boxes, {port, 5000});
    sender.keepRecordIn(&record);
    QCOMPARE(askAndSend(sender, record).boxText(), QString("Box 2 (Enigma2, 127.0.0.1)"));

    if (next == QLatin1String("127.0.0.1"))
        first.reset();
    TestBox second(QStringLiteral("nhttpd-new"));
    QVERIFY(second.listen(next, port));
    folder.write("boxip.ini", boxList(next));
    // A new address is a box nobody asked; the same one is what it was until asked again.
    QCOMPARE(sender.kindOf(2), QString(next == QLatin1String("127.0.0.1") ? "Enigma2" : ""));
    QCOMPARE(askAndSend(sender, record).boxText(), "Box 2 (" + next + ")");
    QCOMPARE(second.targets(), nextAsked);
    QCOMPARE(sender.kindOf(2), QString());
}

void TestBoxKind::loginNeverLogged_data()
{
    QTest::addColumn<QString>("password"); // in zelvo.ini; the box wants "geheim:1"
    QTest::addColumn<QString>("outcome");
    QTest::newRow("right") << "geheim:1" << "beantwortet (HTTP 200)";
    QTest::newRow("wrong") << "falsch:2" << "Fehler: " + Enigma2Protocol::loginRequired();
}

// zelvo.ini's login for box 2 goes to the box as HTTP Basic, and nowhere
// else: no log line, no record entry; the file is left to its owner.
void TestBoxKind::loginNeverLogged()
{
    QFETCH(QString, password);
    QFETCH(QString, outcome);

    TestBox box(QStringLiteral("enigma2-login"));
    QVERIFY(box.listen(QStringLiteral("127.0.0.1"), 0));
    TempFolder folder;
    folder.write("boxip.ini", boxList("127.0.0.1"));
    folder.write("zelvo.ini", "[Box2]\nBenutzer=anna\nPasswort=" + password.toUtf8() + "\n");
    QFile::setPermissions(folder.path("zelvo.ini"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    BoxListSource boxes(folder.dir());
    FakeClock clock;
    DeliveryRecord record(clock);
    BoxSender sender(&boxes, {box.port(), 5000});
    sender.keepRecordIn(&record);

    const Delivery entry = askAndSend(sender, record);
    QCOMPARE(entry.outcomeText(), outcome);
    QVERIFY(!(QFile::permissions(folder.path("zelvo.ini")) & (QFile::ReadGroup | QFile::ReadOther)));
    const QString basic = QString::fromLatin1(("anna:" + password.toUtf8()).toBase64());
    const QStringList said = g_log + QStringList{entry.boxText(), entry.outcomeText(), entry.text, entry.firstLine};
    for (const QString &line : said)
        QVERIFY2(!line.contains(password) && !line.contains(QLatin1String("anna")) && !line.contains(basic),
                 qPrintable(line));
    QVERIFY(!g_log.filter(QStringLiteral("/api/message")).isEmpty()); // the log was captured
}

QTEST_GUILESS_MAIN(TestBoxKind)
#include "tst_boxkind.moc"
