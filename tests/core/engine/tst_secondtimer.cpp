// When the second timer wakes: just after the next second with work, also
// when it woke a little early or late.
#include "engine/SecondTimer.h"

#include <QTest>

class TestSecondTimer : public QObject
{
    Q_OBJECT
private slots:
    void msToNext_data();
    void msToNext();
};

void TestSecondTimer::msToNext_data()
{
    QTest::addColumn<int>("stride"); // every stride-th second from "from" on
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("intoMinute"); // ms after a full minute
    QTest::addColumn<int>("expected");

    QTest::newRow("every second, just fired") << 1 << 0 << 1 << 1000;
    QTest::newRow("every second, mid-second") << 1 << 0 << 19500 << 501;
    QTest::newRow("20 s, just after 00") << 20 << 0 << 1 << 20000;
    QTest::newRow("20 s, woke early before 20") << 20 << 0 << 19999 << 2;
    QTest::newRow("20 s, woke late after 20") << 20 << 0 << 20300 << 19701;
    QTest::newRow("20 s, from 40 to the next minute") << 20 << 0 << 45000 << 15001;
    QTest::newRow("the fives, from 55 to 05") << 10 << 5 << 55001 << 10000;
    QTest::newRow("the fives, from 00 to 05") << 10 << 5 << 1 << 5000;
}

void TestSecondTimer::msToNext()
{
    QFETCH(int, stride);
    QFETCH(int, from);
    QFETCH(int, intoMinute);
    QFETCH(int, expected);
    const qint64 minute = 29'420'000LL * 60'000; // a full minute of the epoch
    QCOMPARE(SecondTimer::msToNext(minute + intoMinute, SecondTimer::every(stride, from)), expected);
}

QTEST_GUILESS_MAIN(TestSecondTimer)
#include "tst_secondtimer.moc"
