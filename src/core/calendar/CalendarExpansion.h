#pragma once

#include "calendar/CalendarReminder.h"
#include "calendar/CalendarSource.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// An iCalendar text parsed (by libical) and its reminders between two
// instants: every occurrence of every VEVENT (RRULE, RDATE, EXDATE and
// overridden or cancelled occurrences by RECURRENCE-ID), at each VALARM's
// trigger, or without one at the start minus the lead time (an all-day
// event at the source's time of day). Times in a TZID are read by the
// system's time zone data when it knows the name, else by the calendar's
// VTIMEZONE; floating times and all-day events are local. A local time that
// does not exist goes with the offset before the gap, one that occurs twice
// at its first occurrence.
//
// The text is never parsed whole: its VTIMEZONE and VEVENT components are
// found by their BEGIN and END lines and each is parsed alone when its turn
// comes, so that a 5 MB calendar costs little more than its text.
//
// Bounded: a text over kMaxBytes or with over kMaxEvents events is refused
// whole; an event with over kMaxPerDay reminders on a day is refused alone,
// and a calendar keeps at most kMaxPerDay reminders per local day.
namespace CalendarExpansion {

constexpr qint64 kMaxBytes = 5 * 1024 * 1024;
constexpr int kMaxEvents = 20000;
constexpr int kMaxPerDay = 1440;

struct Result {
    QList<CalendarReminder> reminders; // sorted by due time
    QString refused;                   // why the whole calendar was refused, in German
    QStringList problems;              // what was left out, in German
    int events = 0;
};

// Why a text of this many bytes is refused, in German; empty when it is not.
QString tooLarge(qint64 bytes);

// Reminders due in [from, to), seconds since the epoch.
Result expand(const QByteArray &ics, const CalendarSource &source, qint64 from, qint64 to);

} // namespace CalendarExpansion
