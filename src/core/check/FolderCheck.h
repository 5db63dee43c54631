#pragma once

#include "boxes/BoxListFile.h"
#include "check/DueReminder.h"
#include "check/ReminderListCheck.h"

#include <QDateTime>
#include <QDir>
#include <QList>

#include <array>

// Everything zelvo-check says about one working folder: boxip.ini and the
// three lists read exactly as Zelvo reads them, the findings of each list,
// and the next reminders due.
struct FolderCheck {
    static constexpr int kDueCount = 10;

    // The exit statuses of zelvo-check.
    enum Status { AllFire = 0, SomeNeverFire = 1, CannotRead = 2 };

    QString folderPath;  // absolute
    QString folderError; // set when the folder itself cannot be used
    QDateTime now;
    BoxListFile::ReadResult boxes;
    // Per box: why Zelvo never contacts its configured address (empty when
    // it does, or when the box is not configured).
    std::array<QString, BoxList::kBoxes> addressRefusals;
    std::array<ReminderListCheck, 3> lists; // daily, weekly, dated
    QList<DueReminder> due;

    int neverFiring() const;
    int boxesNeverContacted() const;
    // boxip.ini is missing or names no box: nothing can be sent, a finding.
    bool noBoxConfigured() const;
    int hints() const;
    bool anyUnreadable() const;
    Status status() const;

    static FolderCheck run(const QDir &folder, const QDateTime &now, int dueCount = kDueCount);
};
