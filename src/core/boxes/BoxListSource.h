#pragma once

#include "boxes/BoxListFile.h"

#include <QDir>
#include <QString>

// The one run-time source of boxip.ini: every part that needs the boxes
// reads them here. The file is read again only when it changed on disk
// (device, inode, size, modification and change times), and one modified
// within the second before it was read is read again next time. A read
// problem is logged when it starts or changes, not at every reading.
class BoxListSource
{
public:
    explicit BoxListSource(const QDir &folder);

    QDir folder() const { return m_folder; }

    // boxip.ini as it is on disk now.
    const BoxListFile::ReadResult &read();
    BoxList boxes() { return read().boxes; }

    // How often the file was read from disk.
    int readCount() const { return m_readCount; }

    // Writes the list (BoxListFile::write) and forgets the last reading.
    // Returns an empty string on success, else the reason (German).
    QString write(const BoxList &boxes);

private:
    QDir m_folder;
    BoxListFile::ReadResult m_last;
    int m_readCount = 0;
    bool m_trusted = false; // m_last may be reused while the file's identity stays
    QString m_loggedError;  // the read problem last logged, empty when none
};
