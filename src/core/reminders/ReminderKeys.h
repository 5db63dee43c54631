#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// What the records of the lists are compared with at one moment of local
// time, worked out once per list check so that matching a long list costs
// only text comparisons.
struct ReminderKeys {
    QString hourMinute;  // "07:25"
    QString wildcard;    // "??:25"
    QString dateKey;     // "24-12-2026"
    QString dayCode;     // "mo".."so"
    QString groupCode;   // "mf" Monday to Friday, "ss" Saturday and Sunday
    QString weekdayName; // "Montag".."Sonntag", as the weekly message names the day

    // The keys of the local date and time of at (seconds do not matter).
    static ReminderKeys at(const QDateTime &at);

    // Every day code a weekly record may carry: the days, then the groups.
    static const QStringList &dayCodes();
};
