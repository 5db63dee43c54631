// `zelvo send`'s command line, without starting a process: which calls are
// sent with what, which end at once, and with which exit status.
#include "app/InstanceRequest.h"
#include "app/SendCommand.h"
#include "sendtext/ScriptDelivery.h"

#include <QTest>

using Boxes = QList<int>;

class TestSendCommand : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void expire_data();
    void expire();
    void failureLine_data();
    void failureLine();
};

void TestSendCommand::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input"); // standard input, for TEXT "-"
    QTest::addColumn<int>("status");       // -1: to be sent
    QTest::addColumn<QString>("why");      // start of the complaint
    QTest::addColumn<Boxes>("boxes");
    QTest::addColumn<bool>("popup");
    QTest::addColumn<bool>("wait");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("text");

    const QString here = QDir::current().path();
    auto good = [&](const char *name, const QStringList &arguments, const Boxes &boxes, bool popup, bool wait,
                    const QString &folder, const QString &text, const QByteArray &input = {}) {
        QTest::newRow(name) << arguments << input << -1 << QString() << boxes << popup << wait << folder << text;
    };
    auto wrong = [&](const char *name, const QStringList &arguments, const QString &why, const QByteArray &input = {}) {
        QTest::newRow(name) << arguments << input << 2 << why << Boxes{} << false << false << here << QString();
    };

    good("text only: every box, a message", {"Hallo"}, {}, false, false, here, "Hallo");
    good("boxes in the order given, each once", {"--box", "3,1,3", "x"}, {3, 1}, false, false, here, "x");
    good("box with =", {"--box=2", "x"}, {2}, false, false, here, "x");
    good("the last --box wins", {"--box", "1", "--box", "4", "x"}, {4}, false, false, here, "x");
    good("popup, wait, folder", {"--popup", "--wait", "--folder", "/", "x"}, {}, true, true, "/", "x");
    good("options after the text", {"x", "--popup"}, {}, true, false, here, "x");
    good("popup twice", {"--popup", "--popup", "x"}, {}, true, false, here, "x");
    good("\\n becomes a line break", {"a\\nb"}, {}, false, false, here, "a\nb");
    good("after --, an option is text", {"--", "--wait"}, {}, false, false, here, "--wait");
    good("- reads standard input", {"-"}, {}, false, false, here, QString::fromUtf8("Grüße"), "Grüße\n");
    QTest::newRow("--help") << QStringList{"--help"} << QByteArray() << 0 << QString() << Boxes{} << false << false
                            << here << QString();

    wrong("no text", {}, "kein TEXT angegeben");
    wrong("two texts", {"a", "b"}, "nur ein TEXT");
    wrong("box 5", {"--box", "5", "x"}, "--box braucht Boxnummern");
    wrong("box 0", {"--box=0", "x"}, "--box braucht Boxnummern");
    wrong("box list of words", {"--box=eins", "x"}, "--box braucht Boxnummern");
    wrong("empty box list", {"--box=", "x"}, "--box braucht Boxnummern");
    wrong("an earlier wrong --box", {"--box", "9", "--box", "1", "x"}, "--box braucht Boxnummern");
    wrong("--box without a value", {"x", "--box"}, "--box braucht Boxnummern");
    wrong("popup and message", {"--popup", "--message", "x"}, "--popup und --message schließen einander aus");
    wrong("unknown option", {"--laut", "x"}, "unbekannte Angabe --laut");
    wrong("unknown option with a value", {"--laut=ja", "x"}, "unbekannte Angabe --laut=ja");
    wrong("single dash word", {"-wait", "x"}, "unbekannte Angabe -wait");
    wrong("-h is no help here", {"-h"}, "unbekannte Angabe -h");
    wrong("a value for a switch", {"--box=1", "--wait=ja", "x"}, "unbekannte Angabe --wait=ja");
    wrong("folder missing", {"--folder", "/nicht/da", "x"}, "--folder braucht einen vorhandenen Ordner");
    wrong("--folder without a value", {"x", "--folder"}, "--folder braucht einen vorhandenen Ordner");
    wrong("empty text", {""}, "der Text ist leer");
    wrong("control characters only", {"\x01\\n\t"}, "der Text ist leer");
    wrong("empty standard input", {"-"}, "der Text ist leer", "\n");
    wrong("--expire of words", {"--expire", "lange", "x"}, "--expire braucht eine ganze Zahl");
    wrong("--expire below 0", {"--expire=-5", "x"}, "--expire braucht eine ganze Zahl");
    wrong("--expire beyond a week", {"--expire", "10081", "x"}, "--expire braucht eine ganze Zahl");
    wrong("--expire without a value", {"x", "--expire"}, "--expire braucht eine Zahl");
}

void TestSendCommand::expire_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("minutes"); // -1: none given
    QTest::newRow("none: zelvo.ini's time") << QStringList{"x"} << -1;
    QTest::newRow("90 minutes") << QStringList{"--expire", "90", "x"} << 90;
    QTest::newRow("0: never held") << QStringList{"--expire=0", "x"} << 0;
    QTest::newRow("the last wins") << QStringList{"--expire=5", "--expire", "7", "x"} << 7;
}

void TestSendCommand::expire()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, minutes);
    const SendCommand::Parsed parsed = SendCommand::parse(arguments, [] { return QByteArray(); });
    QCOMPARE(parsed.status, -1);
    QCOMPARE(parsed.call.expireMinutes.value_or(-1), minutes);
    // The running Zelvo reads it back from the request line.
    InstanceRequest request;
    request.action = InstanceRequest::Action::Send;
    request.message = {MessageKind::Message, "x"};
    request.expireMinutes = parsed.call.expireMinutes;
    QCOMPARE(InstanceRequest::fromLine(request.toLine())->expireMinutes.value_or(-1), minutes);
}

void TestSendCommand::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    const SendCommand::Parsed parsed = SendCommand::parse(arguments, [&] { return input; });
    QTEST(parsed.status, "status");
    QFETCH(QString, why);
    QVERIFY2(parsed.why.startsWith(why), qPrintable(parsed.why));
    if (parsed.status == SendCommand::kWrongCall)
        return;
    QTEST(parsed.call.boxes, "boxes");
    QTEST(parsed.call.kind == MessageKind::Popup, "popup");
    QTEST(parsed.call.wait, "wait");
    QTEST(parsed.call.folder.path(), "folder");
    QTEST(parsed.call.text, "text");
}

// The line on stderr for a box not reached uses the record's words for the
// outcome, the same alone and through a running Zelvo.
void TestSendCommand::failureLine_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("line");
    const QString box = "Box 2 (192.168.1.41): nicht angekommen - ";
    QTest::newRow("refused, as the guide quotes it") << int(DeliveryOutcome::ConnectionRefused) << 0
                                                     << "Verbindung abgelehnt" << box + "Verbindung abgelehnt";
    QTest::newRow("error status") << int(DeliveryOutcome::Answered) << 500 << "" << box + "beantwortet (HTTP 500)";
    QTest::newRow("other error") << int(DeliveryOutcome::Failed) << 0 << "Name nicht auflösbar"
                                 << box + "Fehler: Name nicht auflösbar";
    QTest::newRow("box not set up") << int(DeliveryOutcome::NotSent) << 0 << "Box 2 ist nicht eingerichtet"
                                    << box + "nicht gesendet: Box 2 ist nicht eingerichtet";
}

void TestSendCommand::failureLine()
{
    QFETCH(int, outcome);
    QFETCH(int, httpStatus);
    QFETCH(QString, reason);
    QFETCH(QString, line);
    InstanceAnswer answer;
    answer.outcomes << ScriptDelivery::BoxOutcome{2, " 192.168.1.41 ", DeliveryOutcome(outcome), httpStatus, reason};
    QCOMPARE(answer.outcomes.first().failureText(), line);
    const auto passed = InstanceAnswer::fromLine(answer.toLine());
    QVERIFY(passed && passed->outcomes.size() == 1 && passed->outcomes.first().known());
    QCOMPARE(passed->outcomes.first().failureText(), line);
}

QTEST_GUILESS_MAIN(TestSendCommand)
#include "tst_sendcommand.moc"
