#pragma once

#include <QObject>
#include <QTimer>

// Fires just after each full second of the wall clock that is a multiple of
// the stride within its minute (1: every second; 20: at seconds 00, 20 and
// 40), re-armed every time, so that ticks neither drift nor come twice
// within one second. A program without a clock on the screen sleeps between
// the seconds that have work.
class SecondTimer : public QObject
{
    Q_OBJECT
public:
    explicit SecondTimer(QObject *parent = nullptr);

    // A divisor of 60.
    void setStride(int seconds) { m_stride = seconds; }
    void start();
    void stop();
    bool isActive() const { return m_timer.isActive(); }

    // Milliseconds from msSinceEpoch to just after the next full second that
    // is a multiple of stride within its minute.
    static int msToNext(qint64 msSinceEpoch, int stride);

signals:
    void timeout();

private:
    void arm();

    QTimer m_timer;
    int m_stride = 1;
};
