#include "TempFolder.h"
#include "boxes/BoxListFile.h"
#include "boxes/BoxListSource.h"

#include <QDateTime>
#include <QFile>
#include <QTest>

#include <unistd.h>

class TestBoxListFile : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void missingFile();
    void unreadableLoggedOncePerChange();
    void sourceReadsAgainOnlyWhenChanged_data();
    void sourceReadsAgainOnlyWhenChanged();
    void roundTrip();
    void leadingBlanksKeptOnWrite();
    void failedWriteKeepsOldFile();
    void failedWriteIsReported();
};

void TestBoxListFile::read_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QList<int>>("flags");

    QTest::newRow("as written")
        << QByteArray("192.168.0.10\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n")
        << QStringList{"192.168.0.10", "0.0.0.0", "0.0.0.0", "0.0.0.0"} << QList<int>{1, 0, 0, 0};
    QTest::newRow("flags without blanks, LF only")
        << QByteArray("a\nb\nc\nd\n1\n1\n0\n2\n") << QStringList{"a", "b", "c", "d"} << QList<int>{1, 1, 0, 2};
    QTest::newRow("short file keeps the rest unconfigured")
        << QByteArray("10.0.0.1\r\n") << QStringList{"10.0.0.1", "0.0.0.0", "0.0.0.0", "0.0.0.0"}
        << QList<int>{0, 0, 0, 0};
    QTest::newRow("extra fields ignored")
        << QByteArray("a\r\nb\r\nc\r\nd\r\n1\r\n0\r\n1\r\n0\r\n1\r\nzzz\r\n") << QStringList{"a", "b", "c", "d"}
        << QList<int>{1, 0, 1, 0};
    QTest::newRow("non-numeric flag is 0")
        << QByteArray("a\r\nb\r\nc\r\nd\r\nWahr\r\n x\r\n\r\n3\r\n") << QStringList{"a", "b", "c", "d"}
        << QList<int>{0, 0, 0, 3};
    QTest::newRow("leading blanks skipped by readers")
        << QByteArray("  10.0.0.1\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n")
        << QStringList{"10.0.0.1", "0.0.0.0", "0.0.0.0", "0.0.0.0"} << QList<int>{1, 0, 0, 0};
}

void TestBoxListFile::read()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, addresses);
    QFETCH(QList<int>, flags);
    TempFolder t;
    t.write("boxip.ini", bytes);
    const auto r = BoxListFile::read(t.dir());
    QCOMPARE(r.status, TextFile::Status::Ok);
    for (int box = 1; box <= 4; ++box) {
        QCOMPARE(r.boxes.address(box), addresses.at(box - 1));
        QCOMPARE(r.boxes.reportFlag(box), flags.at(box - 1));
    }
}

void TestBoxListFile::missingFile()
{
    TempFolder t;
    const auto r = BoxListFile::read(t.dir());
    QCOMPARE(r.status, TextFile::Status::Missing);
    QCOMPARE(r.boxes, BoxList());
    for (int box = 1; box <= 4; ++box)
        QVERIFY(!r.boxes.isConfigured(box));
    QVERIFY(!QFile::exists(t.path("boxip.ini"))); // nothing is created by reading
}

namespace {
int g_unreadableWarnings = 0;
}

void TestBoxListFile::unreadableLoggedOncePerChange()
{
    TempFolder t;
    QVERIFY(t.dir().mkdir("boxip.ini")); // a folder where the file should be
    g_unreadableWarnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) {
        g_unreadableWarnings += m.contains("kann nicht gelesen werden");
    });
    BoxListSource source(t.dir());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(source.read().status, TextFile::Status::Unreadable);
    const int whileBroken = g_unreadableWarnings;
    QVERIFY(t.dir().rmdir("boxip.ini"));
    t.write("boxip.ini", "127.0.0.2\r\n");
    source.read();
    QVERIFY(QFile::remove(t.path("boxip.ini")) && t.dir().mkdir("boxip.ini"));
    source.read();
    source.read();
    qInstallMessageHandler(previous);
    QCOMPARE(whileBroken, 1);
    QCOMPARE(g_unreadableWarnings, 2); // broken again after a good read: told again
}

void TestBoxListFile::sourceReadsAgainOnlyWhenChanged_data()
{
    QTest::addColumn<QString>("change"); // between the two readings
    QTest::addColumn<int>("reads");
    QTest::addColumn<QString>("box1"); // as the second reading gives it
    QTest::newRow("unchanged") << "none" << 1 << "10.0.0.1";
    QTest::newRow("rewritten") << "rewrite" << 2 << "10.0.0.2";
    QTest::newRow("written through the source") << "source" << 2 << "10.0.0.3";
    QTest::newRow("removed") << "remove" << 2 << "0.0.0.0";
    QTest::newRow("modified within the second before reading") << "fresh" << 2 << "10.0.0.1";
}

void TestBoxListFile::sourceReadsAgainOnlyWhenChanged()
{
    QFETCH(QString, change);
    QFETCH(int, reads);
    QFETCH(QString, box1);
    TempFolder t;
    t.write("boxip.ini", "10.0.0.1\r\n");
    if (change != "fresh") {
        QFile f(t.path("boxip.ini"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }
    BoxListSource source(t.dir());
    QCOMPARE(source.read().boxes.address(1), QString("10.0.0.1"));
    if (change == "rewrite") {
        t.write("boxip.ini", "10.0.0.2\r\n");
    } else if (change == "source") {
        BoxList boxes;
        boxes.addresses[0] = "10.0.0.3";
        QCOMPARE(source.write(boxes), QString());
    } else if (change == "remove") {
        QVERIFY(QFile::remove(t.path("boxip.ini")));
    }
    QCOMPARE(source.read().boxes.address(1), box1);
    QCOMPARE(source.readCount(), reads);
}

void TestBoxListFile::roundTrip()
{
    TempFolder t;
    const QByteArray bytes("192.168.0.10\r\n0.0.0.0\r\ndbox3.local\r\n0.0.0.0\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n");
    t.write("boxip.ini", bytes);
    const BoxList boxes = BoxListFile::read(t.dir()).boxes;
    QCOMPARE(BoxListFile::write(t.dir(), boxes), QString());
    QCOMPARE(t.read("boxip.ini"), bytes);
}

void TestBoxListFile::leadingBlanksKeptOnWrite()
{
    TempFolder t;
    BoxList boxes;
    boxes.addresses[0] = "  10.0.0.1";
    boxes.reportFlags[0] = 1;
    QCOMPARE(BoxListFile::write(t.dir(), boxes), QString());
    QCOMPARE(t.read("boxip.ini"),
             QByteArray("  10.0.0.1\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n"));
}

void TestBoxListFile::failedWriteKeepsOldFile()
{
    if (geteuid() == 0)
        QSKIP("runs only without root: root may write into a read-only folder");
    TempFolder t;
    t.write("boxip.ini", "old\r\n");
    QFile::setPermissions(t.dir().path(), QFile::ReadOwner | QFile::ExeOwner);
    const QString error = BoxListFile::write(t.dir(), BoxList());
    QFile::setPermissions(t.dir().path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!error.isEmpty());
    QCOMPARE(t.read("boxip.ini"), QByteArray("old\r\n"));
}

void TestBoxListFile::failedWriteIsReported()
{
    TempFolder t;
    QVERIFY(t.dir().mkdir("boxip.ini")); // cannot be replaced by a file, not even by root
    QVERIFY(!BoxListFile::write(t.dir(), BoxList()).isEmpty());
    QVERIFY(QFileInfo(t.path("boxip.ini")).isDir());
}

QTEST_GUILESS_MAIN(TestBoxListFile)
#include "tst_boxlistfile.moc"
