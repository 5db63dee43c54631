#pragma once

#include <QObject>
#include <QTimer>

// Fires just after each full second of the wall clock, re-armed every time,
// so that ticks neither drift nor come twice within one second.
class SecondTimer : public QObject
{
    Q_OBJECT
public:
    explicit SecondTimer(QObject *parent = nullptr);

    void start();
    void stop();
    bool isActive() const { return m_timer.isActive(); }

signals:
    void timeout();

private:
    void arm();

    QTimer m_timer;
};
