#pragma once

#include "check/DueReminder.h"
#include "reminders/ReminderRecord.h"

#include <QDateTime>
#include <QList>

#include <array>

// When the reminder clock will send the records of the three lists.
//
// It walks the real seconds at which the clock checks a list (second 00
// daily, 20 weekly, 40 dated) in local time, and asks each record the
// clock's own question, ReminderRecord::firesAt. So a minute that does not
// exist when daylight saving time starts has nothing due, and the hour that
// repeats when it ends sends once, on its first pass, as the clock does.
class ReminderSchedule
{
public:
    // Indexed by ReminderListKind: daily, weekly, dated.
    using Lists = std::array<QList<ReminderRecord>, 3>;

    // A daily or weekly record that fires at all fires within this many days.
    static constexpr int kRecurringHorizonDays = 400;

    // The first `count` reminders due at or after `from` (whole seconds), in
    // the order the clock sends them: by time, then in file order.
    static QList<DueReminder> next(const Lists &lists, const QDateTime &from, int count);
};
