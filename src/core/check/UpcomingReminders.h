#pragma once

#include "boxes/Message.h"

#include <QDateTime>
#include <QDir>
#include <QList>
#include <QString>

class CalendarTable;

// What comes next from every source, the three lists and every calendar,
// in the order it goes: for the window's "Demnächst", the page and the API.
struct UpcomingReminder {
    QDateTime time; // local
    int box = 1;
    MessageKind kind = MessageKind::Popup;
    QString text;   // as the panel shows it
    QString source; // the list's file name or the calendar's name
};

namespace UpcomingReminders {

constexpr int kMax = 5000;

// The reminders of folder in [from, from + days), by time; calendars from
// table when one is given (the engine's) and made, else read here. At most
// kMax.
QList<UpcomingReminder> next(const QDir &folder, const QDateTime &from, int days,
                             const CalendarTable *table = nullptr);

} // namespace UpcomingReminders
