#include "WakeupCounter.h"

#include <QtTest>

#include <future>
#include <thread>

#include <unistd.h>

// Every sleep blocks, so each is one voluntary context switch of the thread
// that sleeps; the counter reads this very process.
class TestWakeupCounter : public QObject
{
    Q_OBJECT
private slots:
    void countsEveryThreadOnce_data();
    void countsEveryThreadOnce();
};

namespace {
void sleepTimes(int n)
{
    for (int i = 0; i < n; ++i)
        ::usleep(100);
}
} // namespace

void TestWakeupCounter::countsEveryThreadOnce_data()
{
    QTest::addColumn<bool>("begunWhileCounting");
    QTest::addColumn<int>("sleepsBefore"); // before start(): must not count
    QTest::addColumn<int>("sleepsAfter");

    QTest::newRow("a thread there before, ending while counting") << false << 400 << 100;
    QTest::newRow("a thread begun and ended while counting") << true << 0 << 100;
}

void TestWakeupCounter::countsEveryThreadOnce()
{
    QFETCH(bool, begunWhileCounting);
    QFETCH(int, sleepsBefore);
    QFETCH(int, sleepsAfter);

    WakeupCounter counter(::getpid());
    std::promise<void> warmedUp, counting, slept, mayEnd;
    std::shared_future<void> countingStarted = counting.get_future().share();
    std::shared_future<void> allowedToEnd = mayEnd.get_future().share();
    auto work = [&, countingStarted, allowedToEnd] {
        sleepTimes(sleepsBefore);
        warmedUp.set_value();
        countingStarted.wait();
        sleepTimes(sleepsAfter);
        slept.set_value();
        allowedToEnd.wait();
    };
    std::thread worker;
    if (!begunWhileCounting) {
        worker = std::thread(work);
        warmedUp.get_future().wait();
    }
    counter.start();
    if (begunWhileCounting)
        worker = std::thread(work);
    counting.set_value();
    slept.get_future().wait();
    counter.sample(); // read once more while the worker lives
    mayEnd.set_value();
    worker.join();
    counter.sample();

    QVERIFY2(counter.count() >= sleepsAfter, qPrintable(QString::number(counter.count())));
    // The sleeps before counting began stay out; the main thread's few waits are in.
    QVERIFY2(counter.count() < sleepsAfter + 100, qPrintable(QString::number(counter.count())));
    QCOMPARE(counter.threadsBegun(), begunWhileCounting ? 1 : 0);
    QCOMPARE(counter.threadsEnded(), 1);
}

QTEST_GUILESS_MAIN(TestWakeupCounter)
#include "tst_wakeupcounter.moc"
