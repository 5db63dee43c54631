// The record across a restart: what was written comes back with its
// outcomes, this run's ids follow; a damaged file is set aside; a full disk
// keeps the last whole file.
#include "FakeClock.h"
#include "SmallFileSystem.h"
#include "TempFolder.h"

#include "boxes/DeliveryRecord.h"
#include "boxes/RecordFile.h"

#include <QCoreApplication>
#include <QTest>

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(7, 25));

void addEntries(DeliveryRecord &record, quint64 firstId, int count)
{
    for (int i = 0; i < count; ++i) {
        const quint64 id = firstId + quint64(i);
        record.add(id, "192.168.0.10", Message{MessageKind::Popup, QString("Text %1\nzweite Zeile").arg(id)},
                   MessageOrigin{MessageSource::Web, 2});
        record.conclude(id, SendResult{DeliveryOutcome::Answered, 200, QString(), QString()}, nullptr, "Enigma2");
    }
}

} // namespace

class TestRecordFile : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_clock.set(kStart); }
    void restartKeepsTheNewest();
    void damagedFileSetAside_data();
    void damagedFileSetAside();
    void fullDiskKeepsTheOldFile();
    void whyKeptBesideTheWords();

private:
    FakeClock m_clock;
};

void TestRecordFile::restartKeepsTheNewest()
{
    TempFolder folder;
    {
        DeliveryRecord record(m_clock, nullptr, 500);
        RecordFile file(folder.dir(), &record);
        addEntries(record, 1, 520);
        record.add(521, "192.168.0.11", Message{MessageKind::Message, "wartet"}, MessageOrigin{MessageSource::Script, 3});
        record.add(522, "192.168.0.11", Message{MessageKind::Message, "gehalten"}, MessageOrigin{MessageSource::Script, 3});
        record.conclude(522, SendResult::failed(DeliveryOutcome::Held, SendFailure::Standby));
        // Ended without a flush: the destructor writes what waited.
    }
    DeliveryRecord record(m_clock);
    RecordFile(folder.dir(), &record).load();
    QCOMPARE(int(record.entries().size()), 499); // the held one comes back with the held messages
    const Delivery &first = record.entries().front();
    QCOMPARE(first.id, quint64(23));
    QCOMPARE(first.time, kStart);
    QCOMPARE(first.sourceText(), QString("Webseite"));
    QCOMPARE(first.boxText(), QString("Box 2 (Enigma2, 192.168.0.10)"));
    QCOMPARE(first.text, QString("Text 23\nzweite Zeile"));
    QCOMPARE(first.outcomeText(), QString("beantwortet (HTTP 200)"));
    QCOMPARE(record.entries().back().outcomeText(), QString("Fehler: Zelvo endete vor der Antwort"));
    QCOMPARE(record.nextId(), quint64(522));
}

void TestRecordFile::damagedFileSetAside_data()
{
    QTest::addColumn<QByteArray>("content"); // "folder": a folder by that name
    QTest::newRow("no json") << QByteArray("{\"format\": 1, \"entries\": [");
    QTest::newRow("box 5") << QByteArray("{\"format\":1,\"entries\":[{\"id\":1,\"time\":\"2026-12-07T06:25:00Z\","
                                         "\"source\":\"web\",\"box\":5,\"kind\":\"popup\",\"outcome\":\"answered\"}]}");
    QTest::newRow("a folder") << QByteArray("folder");
}

void TestRecordFile::damagedFileSetAside()
{
    QFETCH(QByteArray, content);
    TempFolder folder;
    if (content == "folder")
        QVERIFY(folder.dir().mkdir(RecordFile::kFileName));
    else
        folder.write(RecordFile::kFileName, content);
    DeliveryRecord record(m_clock);
    RecordFile file(folder.dir(), &record);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("zelvo-verlauf\\.json ist beschädigt .* beiseitegelegt als "
                                                          ".*zelvo-verlauf\\.json\\.defekt - der Verlauf beginnt leer"));
    file.load();
    QVERIFY(record.entries().empty());
    QCOMPARE(folder.read(RecordFile::kFileName + ".defekt"), content == "folder" ? QByteArray() : content);
}

void TestRecordFile::fullDiskKeepsTheOldFile()
{
    SmallFileSystem fs;
    if (!fs.mounted())
        QSKIP("needs root, for a file system in a private mount namespace");
    DeliveryRecord record(m_clock);
    RecordFile file(QDir(fs.path()), &record);
    addEntries(record, 1, 3);
    file.flush();
    QVERIFY(file.writeError().isEmpty());
    QFile written(file.path());
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray before = written.readAll();
    written.close();

    QVERIFY(fs.fillUp());
    addEntries(record, 4, 100);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("kann nicht geschrieben werden: .*voll"));
    file.flush();
    QVERIFY(file.writeError().endsWith("der Datenträger ist voll"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), before);
}

// A file from before the why was kept loads as it showed; written again, it keeps the why beside the words.
void TestRecordFile::whyKeptBesideTheWords()
{
    TempFolder folder;
    folder.write(RecordFile::kFileName, "{\"format\":1,\"entries\":[{\"id\":1,\"time\":\"2026-12-07T06:25:00Z\",\"source\":"
                                        "\"web\",\"box\":2,\"kind\":\"popup\",\"outcome\":\"dropped\",\"reason\":\"\"}]}");
    {
        DeliveryRecord record(m_clock);
        RecordFile file(folder.dir(), &record);
        file.load();
        QCOMPARE(record.entries().front().why, SendFailure::Discarded); // the page's "discarded"
        record.add(3, "192.168.0.10", Message{MessageKind::Popup, "x"}, MessageOrigin{MessageSource::Web, 3});
        record.conclude(3, SendResult::failed(DeliveryOutcome::Expired, SendFailure::PushedOut));
    }
    DeliveryRecord record(m_clock);
    RecordFile(folder.dir(), &record).load();
    QCOMPARE(record.entries().back().why, SendFailure::PushedOut);
    QCOMPARE(record.entries().back().outcomeText(), QString("verfallen: verdrängt, mehr als 100 Nachrichten für Box 3 zurückgehalten"));
    QVERIFY(folder.read(RecordFile::kFileName).contains("\"reason\":\"verdrängt")); // for older readers
}

int main(int argc, char *argv[])
{
    PrivateNetwork::enter(); // while the process has a single thread
    QCoreApplication app(argc, argv);
    TestRecordFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recordfile.moc"
