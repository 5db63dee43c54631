#pragma once

#include "boxes/BoxList.h"
#include "check/CheckFinding.h"
#include "reminders/ReminderLayout.h"
#include "reminders/ReminderListFile.h"

#include <QDateTime>
#include <QList>

// The findings of one reminder list as the clock reads it.
struct ReminderListCheck {
    ReminderListKind list = ReminderListKind::Daily;
    ReminderListFile::ReadResult file;
    QList<CheckFinding> findings; // in file order
    int lines = 0;                // lines that hold a record (not empty lines)
    int neverFiring = 0;          // lines with a record that can never fire
    int hints = 0;

    static ReminderListCheck run(const ReminderListFile::ReadResult &file, ReminderListKind list,
                                 const BoxList &boxes, const QDateTime &now);
};
