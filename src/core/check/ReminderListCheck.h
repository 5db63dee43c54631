#pragma once

#include "boxes/BoxList.h"
#include "check/CheckFinding.h"
#include "reminders/ReminderLayout.h"
#include "reminders/ReminderListFile.h"

#include <QDateTime>
#include <QDir>
#include <QList>

// The findings of one reminder list as the clock reads it.
struct ReminderListCheck {
    ReminderListKind list = ReminderListKind::Daily;
    ReminderListFile::ReadResult file;
    QList<CheckFinding> findings; // in file order
    int lines = 0;                // lines that hold a record (not empty lines)
    int neverFiring = 0;          // lines with a record that can never fire
    int hints = 0;
    // The list is missing, but a file stands there under a name a person
    // takes for it ("Zlv-Tag.txt", "zlv-tag.txt.txt", "zlv_tag.txt"):
    // that name. Zelvo reads only the list's own name.
    QString misnamedAs;

    // The file in folder that looks like list's file under another name,
    // empty when there is none.
    static QString findMisnamed(const QDir &folder, ReminderListKind list);

    static ReminderListCheck run(const ReminderListFile::ReadResult &file, ReminderListKind list,
                                 const BoxList &boxes, const QDateTime &now);
};
