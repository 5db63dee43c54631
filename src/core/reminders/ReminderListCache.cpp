#include "reminders/ReminderListCache.h"

#include <QDateTime>

ReminderListCache::ReminderListCache(const QDir &folder)
    : m_folder(folder)
{
}

const ReminderListFile::ReadResult &ReminderListCache::read(ReminderListKind list, bool *changed)
{
    Entry &e = m_entries[int(list)];
    const QString path = m_folder.filePath(ReminderLayout::fileName(list));
    const TextFile::Identity now = TextFile::identityOf(path);
    const bool same = e.trusted && now.size >= 0 && now == e.result.identity;
    if (changed)
        *changed = !same;
    if (same)
        return e.result;

    // File times come from the system's wall clock, not from the program's.
    const qint64 readAtNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
    e.result = ReminderListFile::read(m_folder, list);
    const TextFile::Identity &read = e.result.identity;
    // A file that was read (also one refused for its content) is kept;
    // a pipe, a folder or a missing file is looked at again.
    e.trusted = read.settledAt(readAtNs);
    return e.result;
}
