#include "reminders/ReminderKeys.h"

namespace {

struct Weekday {
    const char *code;
    const char *group;
    const char *name;
};

// Indexed by QDate::dayOfWeek() - 1: Monday first.
constexpr Weekday kWeekdays[7] = {
    {"mo", "mf", "Montag"},  {"di", "mf", "Dienstag"}, {"mi", "mf", "Mittwoch"}, {"do", "mf", "Donnerstag"},
    {"fr", "mf", "Freitag"}, {"sa", "ss", "Samstag"},  {"so", "ss", "Sonntag"},
};

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

ReminderKeys ReminderKeys::at(const QDateTime &at)
{
    ReminderKeys k;
    if (!at.isValid())
        return k; // empty keys: nothing matches
    const QDate date = at.date();
    const QTime time = at.time();
    const QString minute = twoDigits(time.minute());
    k.hourMinute = twoDigits(time.hour()) + QLatin1Char(':') + minute;
    k.wildcard = QStringLiteral("??:") + minute;
    k.dateKey = twoDigits(date.day()) + QLatin1Char('-') + twoDigits(date.month()) + QLatin1Char('-')
        + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
    const int day = date.dayOfWeek();
    if (day >= 1 && day <= 7) {
        const Weekday &w = kWeekdays[day - 1];
        k.dayCode = QLatin1String(w.code);
        k.groupCode = QLatin1String(w.group);
        k.weekdayName = QLatin1String(w.name);
    }
    return k;
}

const QStringList &ReminderKeys::dayCodes()
{
    static const QStringList codes = [] {
        QStringList days;
        QStringList groups;
        for (const Weekday &w : kWeekdays) {
            days << QLatin1String(w.code);
            if (!groups.contains(QLatin1String(w.group)))
                groups << QLatin1String(w.group);
        }
        return days + groups;
    }();
    return codes;
}
