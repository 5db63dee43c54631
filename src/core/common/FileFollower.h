#pragma once

#include "common/TextFile.h"

#include <QString>

// Decides for one followed file whether what was read of it may still be
// used, or it must be read again: the one rule for every file Zelvo
// follows while it runs (boxip.ini, zelvo.ini, the reminder lists).
//
// A reading is kept while the file's identity (device, inode, size,
// modification and change times) stays, and only when it was of a regular
// file that had settled: one modified within the second before it was read
// may change again unseen (a second write in the same clock step of the file
// system leaves the identity the same), and a missing file, a pipe or a
// folder is looked at again each time. changed() costs one stat().
class FileFollower
{
public:
    explicit FileFollower(const QString &path);

    QString path() const { return m_path; }

    // Whether the file must be read (again): never read, forgotten, or
    // changed on disk since the kept reading.
    bool changed() const;

    // Call right before reading the file; counts the reading.
    void readingStarts();
    // What the reading saw: the identity of the file that was read (size -1
    // when nothing regular was read). It may be given again after a change
    // of the file's mode alone.
    void readingGave(const TextFile::Identity &identity);
    // After the program wrote the file itself: read it again next time.
    void forget() { m_trusted = false; }

    // How often the file was read, for diagnostics and tests.
    int readCount() const { return m_readCount; }

private:
    QString m_path;
    TextFile::Identity m_read; // of the kept reading
    qint64 m_readAtNs = 0;     // when that reading started, on the system's wall clock
    bool m_trusted = false;    // the kept reading may be used while m_read stays
    int m_readCount = 0;
};
