#include "TempFolder.h"
#include "common/SettingsFile.h"
#include "common/TextFile.h"
#include "common/Windows1252.h"

#include <QFile>
#include <QTest>

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void encodeWindows1252();
    void missingFolderAndUnreadable();
    void writeLinesIsCrLfAndReplaces();
    void writeFailureIsReported();
};

void TestTextFile::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("abc") << QString("abc");
    QTest::newRow("utf-8 umlauts") << QByteArray("M\xc3\xbc" "ll") << QString("Müll");
    QTest::newRow("windows-1252 umlauts") << QByteArray("M\xfc" "ll") << QString("Müll");
    QTest::newRow("windows-1252 euro and quotes") << QByteArray("\x80 \x84x\x93") << QString("€ „x“");
    QTest::newRow("utf-8 BOM dropped") << QByteArray("\xef\xbb\xbfok") << QString("ok");
    QTest::newRow("invalid utf-8 falls back") << QByteArray("\xc3(") << QString("Ã(");
}

void TestTextFile::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(TextFile::decode(bytes), text);
}

void TestTextFile::encodeWindows1252()
{
    QCOMPARE(Windows1252::encode("Müll € „x“"), QByteArray("M\xfcll \x80 \x84x\x93"));
    QCOMPARE(Windows1252::encode(QString::fromUtf8("日本 😀")), QByteArray("?? ?"));
}

void TestTextFile::missingFolderAndUnreadable()
{
    TempFolder t;
    QCOMPARE(TextFile::read(t.path("nope.txt")).status, TextFile::Status::Missing);
    QVERIFY(t.dir().mkdir("zlv-tag.txt"));
    const auto folder = TextFile::read(t.path("zlv-tag.txt"));
    QCOMPARE(folder.status, TextFile::Status::Unreadable);
    QVERIFY(!folder.error.isEmpty());
}

void TestTextFile::writeLinesIsCrLfAndReplaces()
{
    TempFolder t;
    t.write("wendrel.ini", "old content that is much longer than the new one\r\n");
    QCOMPARE(SettingsFile::writeLines(t.path("wendrel.ini"),
                                      {SettingsFile::printBool(true), SettingsFile::printBool(false),
                                       SettingsFile::printInt(1), SettingsFile::printInt(0)}),
             QString());
    QCOMPARE(t.read("wendrel.ini"), QByteArray("Wahr\r\nFalsch\r\n 1 \r\n 0 \r\n"));
}

void TestTextFile::writeFailureIsReported()
{
    TempFolder t;
    const QString error = SettingsFile::writeLines(t.path("no-such-folder/boxip.ini"), {"x"});
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
