#include "reminders/ReminderClock.h"

#include "common/Clock.h"
#include "common/DisplayState.h"

ReminderClock::ReminderClock(const Clock &clock, const QDir &folder, RequestChannel *inet1, DisplayState *display,
                             QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_folder(folder)
    , m_inet1(inet1)
    , m_display(display)
{
}

void ReminderClock::tick()
{
    m_display->setClockText(m_clock.now().toString(QStringLiteral("HH:mm:ss")));
}
