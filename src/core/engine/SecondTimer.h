#pragma once

#include <QObject>
#include <QTimer>

#include <bitset>

// Fires just after each full second of the wall clock that has work (by
// default every second), re-armed every time, so that ticks neither drift
// nor come twice within one second. A program without a clock on the screen
// sleeps between the seconds that have work.
class SecondTimer : public QObject
{
    Q_OBJECT
public:
    // The seconds of the minute (0..59) at which it fires.
    using Seconds = std::bitset<60>;

    explicit SecondTimer(QObject *parent = nullptr);

    // Counts from now: a running timer is armed again for the new seconds.
    void setSeconds(const Seconds &seconds);
    void start();
    void stop();
    bool isActive() const { return m_timer.isActive(); }

    // Milliseconds from msSinceEpoch to just after the next full second
    // that is one of seconds (none set: every second).
    static int msToNext(qint64 msSinceEpoch, const Seconds &seconds);
    // Every stride-th second of the minute, from 0 on (stride divides 60).
    static Seconds every(int stride, int from = 0);

signals:
    void timeout();

private:
    void arm();

    QTimer m_timer;
    Seconds m_seconds = Seconds().set();
};
