#pragma once

#include "common/FileFollower.h"
#include "reminders/ReminderListFile.h"

#include <QDir>

#include <array>

// The three reminder lists as last read, so that a list which has not
// changed on disk is neither read nor parsed again at every check
// (FileFollower decides when a list must be read again).
class ReminderListCache
{
public:
    explicit ReminderListCache(const QDir &folder);

    // The list as it is on disk now; changed tells whether it was read anew.
    const ReminderListFile::ReadResult &read(ReminderListKind list, bool *changed = nullptr);

private:
    struct Entry {
        FileFollower follower;
        ReminderListFile::ReadResult result;
    };

    QDir m_folder;
    std::array<Entry, 3> m_entries;
};
