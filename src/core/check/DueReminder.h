#pragma once

#include "reminders/ReminderLayout.h"
#include "reminders/ReminderMessage.h"
#include "reminders/ReminderRecord.h"

#include <QDateTime>

// One reminder the clock will send: when, from which list and record, and
// the message it becomes at that moment.
struct DueReminder {
    QDateTime at; // local time of the list check that sends it (second 00, 20 or 40)
    ReminderListKind list = ReminderListKind::Daily;
    ReminderRecord record;
    ReminderMessage reminder;
};
