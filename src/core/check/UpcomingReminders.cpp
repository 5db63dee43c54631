#include "check/UpcomingReminders.h"

#include "calendar/CalendarTable.h"
#include "check/ReminderSchedule.h"
#include "reminders/ReminderListFile.h"

#include <algorithm>

QList<UpcomingReminder> UpcomingReminders::next(const QDir &folder, const QDateTime &from, int days,
                                                const CalendarTable *table)
{
    const QDateTime to = from.addDays(days);
    QList<UpcomingReminder> found;
    ReminderSchedule::Lists lists;
    for (const ReminderListKind kind : {ReminderListKind::Daily, ReminderListKind::Weekly, ReminderListKind::Dated})
        lists[int(kind)] = ReminderListFile::read(folder, kind).records;
    for (const DueReminder &due : ReminderSchedule::next(lists, from, kMax)) {
        if (due.at >= to)
            break;
        found << UpcomingReminder{due.at, due.reminder.box, due.reminder.message.kind, due.reminder.panelText,
                                  ReminderLayout::fileName(due.list)};
    }
    const qint64 a = from.toSecsSinceEpoch();
    const qint64 b = to.toSecsSinceEpoch();
    const QList<CalendarReminder> calendar = table && table->isMade() ? table->between(a, b)
                                                                           : CalendarTable::expandAll(folder, a, b);
    for (const CalendarReminder &r : calendar)
        found << UpcomingReminder{QDateTime::fromSecsSinceEpoch(r.due), r.box, r.message.kind, r.message.text,
                                  r.source};
    std::stable_sort(found.begin(), found.end(),
                     [](const UpcomingReminder &x, const UpcomingReminder &y) { return x.time < y.time; });
    if (found.size() > kMax)
        found.resize(kMax);
    return found;
}
