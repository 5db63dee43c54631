#pragma once

#include "reminders/ReminderListFile.h"

#include <QDir>

#include <array>

// The three reminder lists as last read, so that a list which has not
// changed on disk is neither read nor parsed again at every check. A list
// counts as unchanged while device, inode, size and modification and change
// times are the same; a file modified within the second before it was read
// is read again next time, since a second write in the same clock step of
// the file system would leave those the same.
class ReminderListCache
{
public:
    explicit ReminderListCache(const QDir &folder);

    // The list as it is on disk now; changed tells whether it was read anew.
    const ReminderListFile::ReadResult &read(ReminderListKind list, bool *changed = nullptr);

private:
    struct Entry {
        ReminderListFile::ReadResult result;
        bool trusted = false; // may be reused while its identity stays
    };

    QDir m_folder;
    std::array<Entry, 3> m_entries;
};
