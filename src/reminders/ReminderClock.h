#pragma once

#include <QDir>
#include <QObject>

class Clock;
class DisplayState;
class RequestChannel;

// The Timer1 tick: the clock label every second, the information panel
// hidden at seconds 19, 39 and 59, and the three reminder lists consulted at
// seconds 00, 20 and 40.
class ReminderClock : public QObject
{
    Q_OBJECT
public:
    ReminderClock(const Clock &clock, const QDir &folder, RequestChannel *inet1, DisplayState *display,
                  QObject *parent = nullptr);

public slots:
    void tick();

private:
    const Clock &m_clock;
    QDir m_folder;
    RequestChannel *m_inet1;
    DisplayState *m_display;
};
