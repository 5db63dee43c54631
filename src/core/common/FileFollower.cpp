#include "common/FileFollower.h"

#include <QDateTime>

FileFollower::FileFollower(const QString &path)
    : m_path(path)
{
}

bool FileFollower::changed() const
{
    if (!m_trusted)
        return true;
    const TextFile::Identity now = TextFile::identityOf(m_path);
    return now.size < 0 || now != m_read;
}

void FileFollower::readingStarts()
{
    // File times come from the system's wall clock, not from the program's.
    m_readAtNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
    ++m_readCount;
}

void FileFollower::readingGave(const TextFile::Identity &identity)
{
    m_read = identity;
    m_trusted = identity.settledAt(m_readAtNs);
}
