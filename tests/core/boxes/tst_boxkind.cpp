// Which kind of box is at an address, found by asking boxsim of each kind
// through the real sender and transport: what each box is asked, where its
// message goes, what the record and the log say, and that a box's login
// reaches no log line and no record entry.
#include "BoxServers.h"
#include "BoxSimulator.h"
#include "FakeClock.h"
#include "Messages.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"

#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/enigma2/Enigma2Protocol.h"
#include "sendtext/BoxAddressTest.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using Targets = QList<QByteArray>;

class TestBoxKind : public QObject
{
    Q_OBJECT
private slots:
    void detection_data();
    void detection();
    void kindFollowsTheAddress_data();
    void kindFollowsTheAddress();
    void loginGoesOnlyToItsBox();
};

namespace {

const QByteArray kVersion = "/control/info?nhttpd_version", kAbout = "/api/about", kNmsg = "/control/message?nmsg=a";
QStringList g_log;

// boxsim of a kind ("nhttpd-old", "enigma2", "enigma2 anna:pw", …) on address, with what it was asked.
struct Box : BoxSimulator {
    QBuffer out;
    Box(const QString &kind, const QString &address, quint16 port)
        : BoxSimulator(&out)
    {
        out.open(QIODevice::WriteOnly);
        setFirmware(kind == QLatin1String("nhttpd-old") ? FirmwareKind::Old : FirmwareKind::New);
        setKind(kind.startsWith(QLatin1String("enigma2")) ? Kind::Enigma2 : Kind::Nhttpd);
        setLogin(kind.section(QLatin1Char(' '), 1).toUtf8());
        listen(QHostAddress(address), port);
    }
    Targets targets() const
    {
        Targets t;
        for (const QByteArray &line : out.data().split('\n'))
            if (!line.isEmpty())
                t << QJsonDocument::fromJson(line).object().value("request").toString().toLatin1().split(' ').value(1);
        return t;
    }
};

// Box 2 at address in boxip.ini, zelvo.ini as given, a sender that keeps a record.
struct Zelvo {
    TempFolder folder;
    BoxListSource boxes{folder.dir()};
    FakeClock clock;
    DeliveryRecord record{clock};
    BoxSender sender;
    Zelvo(quint16 port, const QString &address, const QByteArray &zelvoIni = {})
        : sender(&boxes, {port, 5000})
    {
        setAddress(address);
        folder.write("zelvo.ini", zelvoIni);
        QFile::setPermissions(folder.path("zelvo.ini"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        sender.keepRecordIn(&record);
    }
    void setAddress(const QString &address)
    {
        folder.write("boxip.ini", "0.0.0.0\r\n" + address.toLatin1() + "\r\n0.0.0.0\r\n0.0.0.0\r\n");
    }
    // Asked what it is, then sent "a", as zelvo send alone does.
    Delivery askAndSend()
    {
        sender.identifyAt(boxes.boxes().address(2));
        sender.send(2, nmsg("a"), {MessageSource::Script});
        const bool ended = QTest::qWaitFor([&] { return record.entries().back().outcome != DeliveryOutcome::Waiting; },
                                           15000);
        return ended ? record.entries().back() : Delivery();
    }
};

void keepLog(QtMsgType, const QMessageLogContext &, const QString &text)
{
    g_log << text;
}

} // namespace

void TestBoxKind::detection_data()
{
    QTest::addColumn<QString>("kind");    // "neither": answers every request 200 "ok"
    QTest::addColumn<QByteArray>("zelvoIni");
    QTest::addColumn<Targets>("asked");   // what the box got, its message last
    QTest::addColumn<QString>("boxText"); // in the record
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("logged");  // the line naming the kind, or none

    const QByteArray api = "/api/message?text=a&type=1&timeout=60", login = "[Box2]\nBenutzer=anna\nPasswort=";
    const QString taken = "beantwortet (HTTP 200)", refused = "Fehler: " + Enigma2Protocol::loginRequired();
    const QString nhttpd = "Box 2 (127.0.0.1)", enigma2 = "Box 2 (Enigma2, 127.0.0.1)";
    const QString found = "Box 2 (127.0.0.1) ist ein Enigma2-Receiver";
    QTest::newRow("current nhttpd") << "nhttpd-new" << QByteArray() << Targets{kVersion, kNmsg} << nhttpd << taken << "";
    QTest::newRow("old nhttpd") << "nhttpd-old" << QByteArray() << Targets{kVersion, kNmsg} << nhttpd << taken << "";
    QTest::newRow("Enigma2") << "enigma2" << QByteArray() << Targets{kVersion, kAbout, api} << enigma2 << taken
                             << found + ", Webinterface OWIF 1.5.2";
    QTest::newRow("Enigma2, its login") << "enigma2 anna:ge,heim" << login + "\"ge,heim\"\n"
                                        << Targets{kVersion, kAbout, api} << enigma2 << taken
                                        << found + ", Webinterface OWIF 1.5.2";
    // As written, never QSettings' reading of it.
    for (const char *password : {"@@geheim", "@Invalid()", "pa;ss", "\\x41"})
        QTest::addRow("Enigma2, login %s", password)
            << QString("enigma2 anna:") + password << login + password + "\n" << Targets{kVersion, kAbout, api}
            << enigma2 << taken << found + ", Webinterface OWIF 1.5.2";
    // Earlier versions read \\ in quotes as one: refused, not silently another password.
    QTest::newRow("Enigma2, quoted backslash") << "enigma2 anna:ge\\heim" << login + "\"ge\\heim\"\n"
                                               << Targets{kVersion, kAbout, api} << enigma2 << refused << found;
    QTest::newRow("Enigma2, wrong login") << "enigma2 anna:geheim" << login + "falsch\n"
                                          << Targets{kVersion, kAbout, api} << enigma2 << refused << found;
    QTest::newRow("answers neither") << "neither" << QByteArray() << Targets{kVersion, kAbout, kNmsg} << nhttpd << taken
                                     << "";
}

// Logged once, and no login in any log line or in the record.
void TestBoxKind::detection()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, zelvoIni);
    QFETCH(Targets, asked);
    QFETCH(QString, boxText);
    QFETCH(QString, outcome);
    QFETCH(QString, logged);

    RecordingHttpServer neither;
    const bool plain = kind == QLatin1String("neither");
    const auto box = plain ? nullptr : std::make_unique<Box>(kind, "127.0.0.1", 0);
    QVERIFY(!plain || neither.listen());
    Zelvo zelvo(plain ? neither.port() : box->port(), "127.0.0.1", zelvoIni);

    g_log.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepLog);
    const Delivery entry = zelvo.askAndSend();
    qInstallMessageHandler(previous);
    QCOMPARE(plain ? neither.targets() : box->targets(), asked);
    QCOMPARE(entry.boxText(), boxText);
    QCOMPARE(entry.outcomeText(), outcome);
    QCOMPARE(zelvo.sender.kindOf(2), boxText.contains("Enigma2") ? "Enigma2" : "");
    QCOMPARE(g_log.filter("-Receiver"), logged.isEmpty() ? QStringList() : QStringList{logged});
    for (const QString &line : g_log + QStringList{entry.boxText(), entry.outcomeText(), entry.text})
        QVERIFY2(!line.contains("anna") && !line.contains("heim") && !line.contains("YW5u"), qPrintable(line));
    const bool othersRead = QFile::permissions(zelvo.folder.path("zelvo.ini")) & QFile::ReadOther;
    QCOMPARE(othersRead, !zelvoIni.contains("Passwort"));
}

void TestBoxKind::kindFollowsTheAddress_data()
{
    QTest::addColumn<QString>("next"); // box 2's address after the Enigma2 box
    QTest::addColumn<Targets>("asked"); // what the nhttpd box there got
    QTest::newRow("new address") << "127.0.0.2" << Targets{kVersion, kNmsg};
    // Asked the kind it was found to be first.
    QTest::newRow("another box, same address") << "127.0.0.1" << Targets{kAbout, kVersion, kNmsg};
}

void TestBoxKind::kindFollowsTheAddress()
{
    QFETCH(QString, next);
    QFETCH(Targets, asked);
    auto first = std::make_unique<Box>("enigma2", "127.0.0.1", 0);
    const quint16 port = first->port();
    Zelvo zelvo(port, "127.0.0.1");
    QCOMPARE(zelvo.askAndSend().boxText(), QString("Box 2 (Enigma2, 127.0.0.1)"));

    if (next == QLatin1String("127.0.0.1"))
        first.reset();
    Box second("nhttpd-new", next, port);
    QCOMPARE(second.port(), port);
    zelvo.setAddress(next);
    QCOMPARE(zelvo.askAndSend().boxText(), "Box 2 (" + next + ")");
    QCOMPARE(second.targets(), asked);
    QCOMPARE(zelvo.sender.kindOf(2), QString());
}

// Whose login each request to a box's web interface carried ("" for none).
QSet<QString> loginsAt(RecordingHttpServer &server)
{
    QSet<QString> users;
    for (const auto &r : server.requests() + server.modeQuestions()) {
        if (!r.target.startsWith("/api/"))
            continue; // the other kind's questions carry none
        const int at = r.head.indexOf("\r\nAuthorization: Basic ");
        const QByteArray basic = at < 0 ? QByteArray() : r.head.mid(at + 23).split('\r').first();
        users << QString::fromUtf8(QByteArray::fromBase64(basic)).section(QLatin1Char(':'), 0, 0);
    }
    server.clear();
    return users;
}

// Box 2's and box 3's logins go to the addresses boxip.ini gives them now,
// also after box 3 took box 2's old address; the address test lends box 2's
// to an address no box has, for that test only.
void TestBoxKind::loginGoesOnlyToItsBox()
{
    BoxServers servers;
    QVERIFY(servers.listen());
    for (int i = 1; i <= 4; ++i)
        servers.box(i).setEnigma2(true);
    const QString a = servers.address(1), b = servers.address(2), c = servers.address(3), d = servers.address(4);
    Zelvo zelvo(servers.port(), b, "[Box2]\nBenutzer=zwei\nPasswort=p2\n[Box3]\nBenutzer=drei\nPasswort=p3\n");
    zelvo.folder.write("boxip.ini", ("0.0.0.0\r\n" + b + "\r\n" + c + "\r\n0.0.0.0\r\n").toLatin1());
    BoxSender &sender = zelvo.sender;
    sender.askModeFirst();
    QSignalSpy asked(&sender, &BoxSender::modeAnswered);
    const auto idle = [&](qsizetype answers) {
        const auto &entries = zelvo.record.entries();
        return QTest::qWaitFor([&] {
            return asked.size() >= answers && std::all_of(entries.begin(), entries.end(), [](const Delivery &d) {
                       return d.outcome != DeliveryOutcome::Waiting;
                   });
        }, 10000);
    };
    sender.send(2, nmsg("a"), {});
    QVERIFY(idle(0));
    QCOMPARE(loginsAt(servers.box(2)), QSet<QString>{"zwei"});

    zelvo.folder.write("boxip.ini", ("0.0.0.0\r\n" + d + "\r\n" + b + "\r\n0.0.0.0\r\n").toLatin1());
    sender.send(3, nmsg("b"), {});
    sender.send(2, nmsg("c"), {});
    BoxAddressTest::run(&sender, 2, a);
    QVERIFY(idle(0));
    sender.askMode(b); // as the watch does
    BoxAddressTest::run(&sender, 2, b); // box 3's address: never box 2's login
    QVERIFY(idle(asked.size() + 1));
    QCOMPARE(loginsAt(servers.box(2)), QSet<QString>{"drei"});
    QCOMPARE(loginsAt(servers.box(4)), QSet<QString>{"zwei"});
    QCOMPARE(loginsAt(servers.box(1)), QSet<QString>{"zwei"});
    sender.askMode(a); // the test is over
    QVERIFY(idle(asked.size() + 1));
    QCOMPARE(loginsAt(servers.box(1)), QSet<QString>{""});
}

QTEST_GUILESS_MAIN(TestBoxKind)
#include "tst_boxkind.moc"
