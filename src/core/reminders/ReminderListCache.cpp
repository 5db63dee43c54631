#include "reminders/ReminderListCache.h"

#include "reminders/ReminderLayout.h"

ReminderListCache::ReminderListCache(const QDir &folder)
    : m_folder(folder)
    , m_entries{Entry{FileFollower(folder.filePath(ReminderLayout::fileName(ReminderListKind(0)))), {}},
                Entry{FileFollower(folder.filePath(ReminderLayout::fileName(ReminderListKind(1)))), {}},
                Entry{FileFollower(folder.filePath(ReminderLayout::fileName(ReminderListKind(2)))), {}}}
{
}

const ReminderListFile::ReadResult &ReminderListCache::read(ReminderListKind list, bool *changed)
{
    Entry &e = m_entries[int(list)];
    const bool again = e.follower.changed();
    if (changed)
        *changed = again;
    if (!again)
        return e.result;

    // A file that was read (also one refused for its content) is kept;
    // a pipe, a folder or a missing file is looked at again.
    e.follower.readingStarts();
    e.result = ReminderListFile::read(m_folder, list);
    e.follower.readingGave(e.result.identity);
    return e.result;
}
