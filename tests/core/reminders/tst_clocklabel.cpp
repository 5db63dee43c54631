#include "engine/SecondTimer.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "common/Clock.h"
#include "common/StatusBoard.h"
#include "reminders/ReminderClock.h"
#include "TempFolder.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

// The real second timer driving the reminder clock with the system clock:
// the clock label must count up one second per tick, never showing a second
// twice and never skipping one.
class TestClockLabel : public QObject
{
    Q_OBJECT
private slots:
    void labelCountsEverySecondOnce();
};

void TestClockLabel::labelCountsEverySecondOnce()
{
    TempFolder folder; // no lists, no box list: nothing is sent
    SystemClock clock;
    StatusBoard display;
    BoxListSource boxList(folder.dir());
    BoxSender sender(&boxList, {9, 1000});
    ReminderClock reminders(clock, folder.dir(), &sender, &display);
    SecondTimer timer;
    QStringList labels;
    connect(&timer, &SecondTimer::timeout, &reminders, [&] {
        reminders.tick();
        labels << display.clockText();
    });
    timer.start();
    QEventLoop loop;
    QTimer::singleShot(3600, &loop, &QEventLoop::quit);
    loop.exec();
    timer.stop();

    QVERIFY2(labels.size() >= 3, qPrintable(labels.join(' ')));
    for (int i = 1; i < labels.size(); ++i) {
        const QTime prev = QTime::fromString(labels.at(i - 1), QStringLiteral("HH:mm:ss"));
        const QTime cur = QTime::fromString(labels.at(i), QStringLiteral("HH:mm:ss"));
        QVERIFY2(prev.isValid() && cur.isValid(), qPrintable(labels.join(' ')));
        QVERIFY2(prev.secsTo(cur) == 1 || prev.secsTo(cur) == -86399, qPrintable(labels.join(' ')));
    }
}

QTEST_GUILESS_MAIN(TestClockLabel)
#include "tst_clocklabel.moc"
