#pragma once

#include <QHash>

// Counts the wake-ups of a process: the voluntary context switches of all
// its threads, from /proc/PID/task/TID/status. The kernel keeps that count
// per thread, and /proc/PID/status shows the main thread's only, so every
// thread is read, and often: a thread that ends takes the switches since its
// last reading with it. A thread that begins after start() counts from 0,
// where the kernel starts it. threadsBegun() and threadsEnded() say how much
// coming and going there was, and so how far the count can fall short.
class WakeupCounter
{
public:
    explicit WakeupCounter(qint64 pid);

    // The readings from now on count.
    void start();
    void sample();

    qint64 count() const;
    int threadsBegun() const { return m_begun; }
    int threadsEnded() const { return m_ended; }

private:
    qint64 m_pid;
    bool m_started = false;
    QHash<qint64, qint64> m_first; // per thread: its count when it started to count
    QHash<qint64, qint64> m_last;  // per thread: its latest reading
    qint64 m_ofEnded = 0; // counted switches of the threads that have ended
    int m_begun = 0;
    int m_ended = 0;
};
