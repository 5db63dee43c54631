#include "TempFolder.h"
#include "sendtext/SendTextSettings.h"

#include <QTest>

using Ticks = QList<bool>;

class TestSendTextSettings : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void readFolderInsteadOfFile();
    void writeExactLines_data();
    void writeExactLines();
    void writeReplacesLongerFile();
    void writeRoundTrip();
    void writeFailureGivesReason();
};

static Ticks ticksOf(const SendTextSettings &s)
{
    return Ticks{s.ticked[0], s.ticked[1], s.ticked[2], s.ticked[3]};
}

void TestSendTextSettings::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("popup");
    QTest::addColumn<Ticks>("ticks");
    QTest::newRow("as written: popup, boxes 1 and 3")
        << "Wahr\r\nFalsch\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n" << true << Ticks{true, false, true, false};
    QTest::newRow("as written: message, boxes 2 and 4")
        << "Falsch\r\nWahr\r\n 0 \r\n 1 \r\n 0 \r\n 1 \r\n" << false << Ticks{false, true, false, true};
    QTest::newRow("empty file") << "" << false << Ticks{false, false, false, false};
    QTest::newRow("True is not Wahr") << "True\r\nFalse\r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n" << false
                                      << Ticks{true, true, true, true};
    QTest::newRow("lower case wahr") << "wahr\r\nFalsch\r\n" << false << Ticks{false, false, false, false};
    QTest::newRow("Wahr with blanks around") << "  Wahr  \r\nFalsch\r\n" << true << Ticks{false, false, false, false};
    QTest::newRow("ticks without blanks") << "Wahr\r\nFalsch\r\n1\r\n0\r\n1\r\n1\r\n" << true
                                          << Ticks{true, false, true, true};
    QTest::newRow("2, -1 and words do not tick") << "Falsch\r\nWahr\r\n 2 \r\n-1\r\nja\r\n 0 \r\n" << false
                                                 << Ticks{false, false, false, false};
    QTest::newRow("a number prefix counts") << "Falsch\r\nWahr\r\n1x\r\n+1\r\n 01\r\nx1\r\n" << false
                                            << Ticks{true, true, true, false};
    QTest::newRow("short: only the kind") << "Wahr\r\n" << true << Ticks{false, false, false, false};
    QTest::newRow("short: two ticks") << "Falsch\r\nWahr\r\n 1 \r\n 1 \r\n" << false
                                      << Ticks{true, true, false, false};
    QTest::newRow("more tick lines than boxes") << "Wahr\r\nFalsch\r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n"
                                                << true << Ticks{true, true, true, true};
    QTest::newRow("LF line ends") << "Wahr\nFalsch\n 0 \n 1 \n 1 \n 0 \n" << true << Ticks{false, true, true, false};
    QTest::newRow("CR line ends") << "Wahr\rFalsch\r 0 \r 0 \r 0 \r 1 \r" << true << Ticks{false, false, false, true};
    QTest::newRow("no final line end") << "Wahr\r\nFalsch\r\n 0 \r\n 0 \r\n 0 \r\n 1" << true
                                       << Ticks{false, false, false, true};
    QTest::newRow("empty second line is its field") << "Wahr\r\n\r\n 1 \r\n" << true << Ticks{true, false, false, false};
    QTest::newRow("a comma splits a line") << "Wahr,Falsch\r\n 1 , 1 \r\n" << true << Ticks{true, true, false, false};
    QTest::newRow("quoted fields") << "\"Wahr\"\r\n\"Falsch\"\r\n\" 1 \"\r\n" << true << Ticks{true, false, false, false};
}

void TestSendTextSettings::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, popup);
    QFETCH(Ticks, ticks);
    const SendTextSettings s = SendTextSettings::parse(text);
    QCOMPARE(s.kind == MessageKind::Popup, popup);
    QCOMPARE(ticksOf(s), ticks);
}

void TestSendTextSettings::readFolderInsteadOfFile()
{
    TempFolder folder;
    QVERIFY(folder.dir().mkdir("wendrel.ini"));
    const SendTextSettings::ReadResult r = SendTextSettings::read(folder.dir());
    QCOMPARE(r.status, TextFile::Status::Unreadable);
    QVERIFY(!r.error.isEmpty());
    QVERIFY(r.settings == SendTextSettings());
}

void TestSendTextSettings::writeExactLines_data()
{
    QTest::addColumn<bool>("popup");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("popup, boxes 1 and 3") << true << Ticks{true, false, true, false}
                                          << QByteArray("Wahr\r\nFalsch\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n");
    QTest::newRow("message, nothing ticked") << false << Ticks{false, false, false, false}
                                             << QByteArray("Falsch\r\nWahr\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    QTest::newRow("message, all ticked") << false << Ticks{true, true, true, true}
                                         << QByteArray("Falsch\r\nWahr\r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n");
}

void TestSendTextSettings::writeExactLines()
{
    QFETCH(bool, popup);
    QFETCH(Ticks, ticks);
    QFETCH(QByteArray, bytes);
    TempFolder folder;
    SendTextSettings s;
    s.kind = popup ? MessageKind::Popup : MessageKind::Message;
    for (int k = 0; k < 4; ++k)
        s.ticked[k] = ticks[k];
    QCOMPARE(SendTextSettings::write(folder.dir(), s), QString());
    QCOMPARE(folder.read("wendrel.ini"), bytes);
}

void TestSendTextSettings::writeReplacesLongerFile()
{
    TempFolder folder;
    folder.write("wendrel.ini", QByteArray(5000, 'x'));
    QCOMPARE(SendTextSettings::write(folder.dir(), SendTextSettings()), QString());
    QCOMPARE(folder.read("wendrel.ini"), QByteArray("Falsch\r\nWahr\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n"));
}

void TestSendTextSettings::writeRoundTrip()
{
    TempFolder folder;
    for (int pattern = 0; pattern < 32; ++pattern) {
        SendTextSettings s;
        s.kind = (pattern & 16) ? MessageKind::Popup : MessageKind::Message;
        for (int k = 0; k < 4; ++k)
            s.ticked[k] = pattern & (1 << k);
        QCOMPARE(SendTextSettings::write(folder.dir(), s), QString());
        QVERIFY2(SendTextSettings::read(folder.dir()).settings == s, qPrintable(QString::number(pattern)));
    }
}

void TestSendTextSettings::writeFailureGivesReason()
{
    TempFolder folder;
    const QDir gone(folder.path("no-such-folder"));
    const QString reason = SendTextSettings::write(gone, SendTextSettings());
    QVERIFY(!reason.isEmpty());
    QVERIFY(!QFile::exists(gone.filePath("wendrel.ini")));
}

QTEST_GUILESS_MAIN(TestSendTextSettings)
#include "tst_sendtextsettings.moc"
