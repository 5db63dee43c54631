#include "TempFolder.h"
#include "check/FolderCheck.h"
#include "check/ListChangeWarner.h"
#include "reminders/ReminderListFile.h"

#include <QLoggingCategory>
#include <QTest>

#include <ctime>

namespace {

QDateTime monday0800()
{
    return QDateTime(QDate(2026, 12, 7), QTime(8, 0));
}

// 10,000 dated records over the coming years, every hundredth one broken,
// plus a daily and a weekly list of 100 records each.
void writeLists(const TempFolder &folder)
{
    QByteArray dated;
    QDate day(2026, 12, 8);
    for (int i = 0; i < 10000; ++i) {
        const QByteArray date = day.addDays(i / 10).toString("dd-MM-yyyy").toLatin1();
        const QByteArray time = QTime(8 + i % 10, (i * 7) % 60).toString("HH:mm").toLatin1();
        dated += (i % 100 == 99 ? date.left(9) + "?" : date) + " " + time + " " + time + " p 2 Termin Nummer "
            + QByteArray::number(i) + "\r\n";
    }
    folder.write("zlv-term.txt", dated);
    QByteArray daily, weekly;
    for (int i = 0; i < 100; ++i) {
        const QByteArray time = QTime(i / 5, (i * 11) % 60).toString("HH:mm").toLatin1();
        daily += time + " " + time + " p 2 Tag " + QByteArray::number(i) + "\r\n";
        weekly += "mf " + time + " " + time + " m 1 Woche " + QByteArray::number(i) + "\r\n";
    }
    folder.write("zlv-tag.txt", daily);
    folder.write("zlv-woch.txt", weekly);
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
}

} // namespace

class BenchCheck : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("zelvo.*=false")); }
    void wholeFolder();
    void warningPassAfterAnEdit();
};

// What zelvo-check does: read, check every record, find the next 10 due.
void BenchCheck::wholeFolder()
{
    TempFolder folder;
    writeLists(folder);
    FolderCheck check;
    QBENCHMARK {
        check = FolderCheck::run(folder.dir(), monday0800());
    }
    QCOMPARE(check.lists[2].neverFiring, 100);
    QCOMPARE(check.due.size(), 10);
}

// What the app adds to a list check when the list changed: the checks of
// every record (the file is read outside the measurement).
void BenchCheck::warningPassAfterAnEdit()
{
    TempFolder folder;
    writeLists(folder);
    const auto file = ReminderListFile::read(folder.dir(), ReminderListKind::Dated);
    QBENCHMARK {
        ListChangeWarner warner; // new each time: every pass sees a changed list
        warner.noteRead(file, ReminderListKind::Dated, BoxList(), monday0800());
    }
}

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    BenchCheck bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_check.moc"
