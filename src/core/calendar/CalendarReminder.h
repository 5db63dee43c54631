#pragma once

#include "boxes/Message.h"

#include <QString>

// One reminder from a calendar: when it goes (seconds since the epoch, so
// the hour repeated in autumn cannot bring it twice), to which box, and what
// the television shows. source is the calendar's name.
struct CalendarReminder {
    qint64 due = 0;
    int box = 1;
    Message message;
    QString source;

    bool operator<(const CalendarReminder &other) const { return due < other.due; }
};
