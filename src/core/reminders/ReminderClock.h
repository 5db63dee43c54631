#pragma once

#include "boxes/BoxList.h"
#include "reminders/ReminderLayout.h"
#include "reminders/ReminderListCache.h"

#include <QDateTime>
#include <QDir>
#include <QObject>

#include <optional>
#include <set>

class CalendarTable;
class Clock;
class StatusBoard;
class BoxSender;

// The Timer1 tick: the clock label every second, the information panel
// hidden at seconds 19, 39 and 59, and the daily, weekly and dated lists
// consulted at seconds 00, 20 and 40.
//
// A tick reads the clock once. It then runs, in order of time, the actions
// of every second after the previous tick's reading up to its own, so a
// tick that comes late loses no list check; after a gap of more than a
// minute (suspend, clock set forward) and on the first tick, only the
// current second's action runs. A list check runs at most once for one
// local date, hour and minute, so a doubled tick, a clock set back or the
// hour that repeats when daylight saving time ends never sends twice.
class ReminderClock : public QObject
{
    Q_OBJECT
public:
    // The longest gap between two ticks that is caught up second by second.
    static constexpr qint64 kMaxCatchUpSecs = 60;

    ReminderClock(const Clock &clock, const QDir &folder, BoxSender *sender, StatusBoard *display,
                  QObject *parent = nullptr);

    // One check of one list at this local time, whatever ran before: reads
    // the box list, then the list (each parsed again only when it changed on
    // disk), and sends every firing record in file order, each to its own
    // box. The panel shows the last firing record's text when some box got
    // a message. Returns how many records fired.
    int checkList(ReminderListKind list, const QDateTime &localTime);

    // Calendars remind too: every second, at their exact seconds, after the
    // list check of that second. Not owned; none when null.
    void useCalendars(CalendarTable *calendars) { m_calendars = calendars; }
    // Sends the calendar reminders due at this second not sent before.
    int sendCalendarReminders(const QDateTime &second);

public slots:
    void tick();

signals:
    // A list was read whose content differs from the last reading (or was
    // read for the first time), before any of its records is sent.
    void listChanged(const ReminderListFile::ReadResult &file, ReminderListKind list, const BoxList &boxes,
                     const QDateTime &localTime);

private:
    void runActionsOf(const QDateTime &second);
    // False when this check already ran for the same local minute.
    bool claimCheck(const QDateTime &second);

    const Clock &m_clock;
    QDir m_folder;
    BoxSender *m_sender;
    StatusBoard *m_display;

    std::optional<qint64> m_lastSecond; // the previous tick's reading, seconds since the epoch
    // List checks already run, as local wall-clock seconds (day and time of
    // day as written, whatever the offset), for about two days around now.
    std::set<qint64> m_checksRun;
    ReminderListCache m_lists;
    CalendarTable *m_calendars = nullptr;
};
