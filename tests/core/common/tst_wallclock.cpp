#include "common/WallClock.h"

#include <QTest>
#include <QTimeZone>

class TestWallClock : public QObject
{
    Q_OBJECT
private slots:
    void floorDiv_data();
    void floorDiv();
    void repeatedHourReadsTheSame();
};

void TestWallClock::floorDiv_data()
{
    QTest::addColumn<qint64>("a");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<qint64>("quotient");
    QTest::newRow("exact") << qint64(3000) << qint64(1000) << qint64(3);
    QTest::newRow("positive rounds down") << qint64(2999) << qint64(1000) << qint64(2);
    QTest::newRow("negative rounds down") << qint64(-1) << qint64(1000) << qint64(-1);
    QTest::newRow("negative exact") << qint64(-2000) << qint64(1000) << qint64(-2);
    QTest::newRow("zero") << qint64(0) << qint64(1000) << qint64(0);
}

void TestWallClock::floorDiv()
{
    QFETCH(qint64, a);
    QFETCH(qint64, b);
    QFETCH(qint64, quotient);
    QCOMPARE(WallClock::floorDiv(a, b), quotient);
}

// 25 October 2026, 02:30 comes twice in Berlin: both passes are one wall-clock second.
void TestWallClock::repeatedHourReadsTheSame()
{
    const QTimeZone berlin("Europe/Berlin");
    if (!berlin.isValid())
        QSKIP("this system has no time zone data (Debian package tzdata)");
    const QDateTime first = QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC).toTimeZone(berlin);
    const QDateTime second = first.addSecs(3600);
    QCOMPARE(first.time(), QTime(2, 30));
    QCOMPARE(second.time(), QTime(2, 30));
    QCOMPARE(WallClock::second(first), WallClock::second(second));
    QCOMPARE(WallClock::second(second.addSecs(1)) - WallClock::second(second), qint64(1));
}

QTEST_GUILESS_MAIN(TestWallClock)
#include "tst_wallclock.moc"
