// boxsim's command line: what each call sets, and the German word on a call
// that cannot be used.
#include "BoxsimCommandLine.h"

#include <QTest>

class TestBoxsimCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestBoxsimCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // empty: usable
    QTest::addColumn<bool>("usage");    // the usage line follows the error

    const QString address = QStringLiteral("--address=127.0.0.1");
    QTest::newRow("plain") << QStringList{address} << "" << false;
    QTest::newRow("everything") << QStringList{address, "--port=8080", "--kind=enigma2", "--auth=anna:geheim",
                                               "--mode=standby", "--firmware=old", "--no-getmode"}
                                << "" << false;
    QTest::newRow("unknown option") << QStringList{address, "--colour"} << "colour" << true;
    QTest::newRow("no address") << QStringList{} << "--address braucht eine IPv4-Adresse, nicht \"\"" << false;
    QTest::newRow("IPv6") << QStringList{"--address=::1"} << "--address braucht eine IPv4-Adresse, nicht \"::1\""
                          << false;
    QTest::newRow("port too large") << QStringList{address, "--port=65536"}
                                    << "--port braucht eine Zahl von 0 bis 65535" << false;
    QTest::newRow("firmware") << QStringList{address, "--firmware=mid"}
                              << "--firmware braucht old oder new, nicht \"mid\"" << false;
    QTest::newRow("kind") << QStringList{address, "--kind=dreambox"}
                          << "--kind braucht nhttpd oder enigma2, nicht \"dreambox\"" << false;
    QTest::newRow("auth for nhttpd") << QStringList{address, "--auth=anna:geheim"}
                                     << "--auth braucht BENUTZER:PASSWORT und --kind enigma2" << false;
    QTest::newRow("mode") << QStringList{address, "--mode=off"} << "--mode braucht einen dieser Modi" << false;
}

void TestBoxsimCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(bool, usage);
    const BoxsimCommandLine cmd = BoxsimCommandLine::parse(QStringList{QStringLiteral("boxsim")} + arguments);
    QVERIFY2(error.isEmpty() ? cmd.error.isEmpty() : cmd.error.contains(error), qPrintable(cmd.error));
    QCOMPARE(cmd.usage.startsWith(QLatin1String("Aufruf:")), usage);
    if (QTest::currentDataTag() == QLatin1String("everything")) {
        QCOMPARE(cmd.port, quint16(8080));
        QCOMPARE(cmd.kind, BoxSimulator::Kind::Enigma2);
        QCOMPARE(cmd.login, QByteArray("anna:geheim"));
        QCOMPARE(cmd.mode, QByteArray("standby"));
        QCOMPARE(cmd.firmware, FirmwareKind::Old);
        QVERIFY(!cmd.knowsMode);
    }
}

QTEST_GUILESS_MAIN(TestBoxsimCommandLine)
#include "tst_boxsimcommandline.moc"
