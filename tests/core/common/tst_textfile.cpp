#include "TempFolder.h"
#include "common/SettingsFile.h"
#include "common/TextFile.h"
#include "common/Windows1252.h"

#include <QFile>
#include <QTest>

#include <sys/stat.h>

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void encodeWindows1252();
    void missingFolderAndUnreadable();
    void onlyRegularFiles_data();
    void onlyRegularFiles();
    void writeLinesIsCrLfAndReplaces();
    void writeFailureIsReported();
};

void TestTextFile::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("windows1252Lines");
    QTest::newRow("ascii") << QByteArray("abc") << QString("abc") << QList<int>{};
    QTest::newRow("utf-8 umlauts") << QByteArray("M\xc3\xbc" "ll") << QString("Müll") << QList<int>{};
    QTest::newRow("windows-1252 umlauts") << QByteArray("M\xfc" "ll") << QString("Müll") << QList<int>{1};
    QTest::newRow("windows-1252 euro and quotes") << QByteArray("\x80 \x84x\x93") << QString("€ „x“") << QList<int>{1};
    QTest::newRow("utf-8 BOM dropped") << QByteArray("\xef\xbb\xbfok") << QString("ok") << QList<int>{};
    QTest::newRow("encoding per line")
        << QByteArray("M\xc3\xbcll\r\nM\xfcll\nok\rS\xfc\xdf\n\xe2\x82\xac") << QString("Müll\r\nMüll\nok\rSüß\n€")
        << QList<int>{2, 4};
    QTest::newRow("BOM before a Windows-1252 line") << QByteArray("\xef\xbb\xbfok\n\xfc") << QString("ok\nü")
                                                    << QList<int>{2};
    QTest::newRow("cut UTF-8 sequence at a line end") << QByteArray("a\xc3\n\xbc") << QString("aÃ\n¼")
                                                      << QList<int>{1, 2};
    QTest::newRow("surrogate and overlong forms") << QByteArray("\xed\xa0\x80\n\xc0\xaf\n\xf4\x90\x80\x80")
                                                  << QString("í") + QChar(0xA0) + "€\nÀ¯\nô" + QChar(0x90) + "€€" << QList<int>{1, 2, 3};
    QTest::newRow("invalid utf-8 falls back") << QByteArray("\xc3(") << QString("Ã(") << QList<int>{1};
}

void TestTextFile::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QList<int> lines;
    QCOMPARE(TextFile::decode(bytes, &lines), text);
    QTEST(lines, "windows1252Lines");
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
    QCOMPARE(folder.error, QString("ist ein Ordner"));
}

// Only regular files are read; nothing waits for a writer.
void TestTextFile::onlyRegularFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    QTest::newRow("pipe") << "fifo" << "ist eine Pipe (FIFO), keine Datei";
    QTest::newRow("device") << "/dev/zero" << "ist ein Gerät, keine Datei";
    QTest::newRow("link to a pipe") << "link" << "ist eine Pipe (FIFO), keine Datei";
    QTest::newRow("just too large") << "large" << "ist größer als 2 MB";
}

void TestTextFile::onlyRegularFiles()
{
    QFETCH(QString, path);
    TempFolder t;
    QVERIFY(mkfifo(QFile::encodeName(t.path("fifo")).constData(), 0600) == 0);
    QVERIFY(QFile::link(t.path("fifo"), t.path("link")));
    t.write("large", QByteArray(TextFile::kMaxBytes + 1, '\n'));
    const auto r = TextFile::read(path.startsWith('/') ? path : t.path(path));
    QCOMPARE(r.status, TextFile::Status::Unreadable);
    QTEST(r.error, "error");
    t.write("large", QByteArray(TextFile::kMaxBytes, '\n'));
    QCOMPARE(TextFile::read(t.path("large")).status, TextFile::Status::Ok);
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
    QCOMPARE(SettingsFile::writeLines(t.path("no-such-folder/boxip.ini"), {"x"}), QString("der Ordner fehlt"));
    QVERIFY(t.dir().mkdir("boxip.ini"));
    QCOMPARE(SettingsFile::writeLines(t.path("boxip.ini"), {"x"}), QString("an dieser Stelle steht ein Ordner"));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
