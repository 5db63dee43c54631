#pragma once

#include <QStringView>

// What a trigger field can be compared with: the clock's keys are always
// "HH:MM" (00:00 to 23:59) or, in the dated list, "??:MM". A trigger of any
// other form equals neither, so it never fires.
class TriggerText
{
public:
    // Minute of the day of "HH:MM", or -1.
    static int minuteOfDay(QStringView trigger);
    // Minute of the hour of "??:MM", or -1.
    static int everyHourMinute(QStringView trigger);
};
