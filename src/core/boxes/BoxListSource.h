#pragma once

#include "boxes/BoxListFile.h"
#include "common/FileFollower.h"

#include <QDir>
#include <QObject>
#include <QString>

// The one run-time source of boxip.ini: every part that needs the boxes
// reads them here. The file is read again only when it changed on disk
// (FileFollower: device, inode, size, modification and change times, and
// one modified within the second before it was read is read again next
// time). A read problem is logged when it starts or changes, not at every
// reading. Whoever keeps the boxes (the sender) is told by changed() rather
// than asking at every message.
class BoxListSource : public QObject
{
    Q_OBJECT
public:
    explicit BoxListSource(const QDir &folder, QObject *parent = nullptr);

    QDir folder() const { return m_folder; }

    // boxip.ini as it is on disk now (one stat() when it did not change).
    const BoxListFile::ReadResult &read();
    BoxList boxes() { return read().boxes; }
    // What was last read, without looking at the file.
    const BoxList &lastRead() const { return m_last.boxes; }

    // How often the file was read from disk.
    int readCount() const { return m_follower.readCount(); }

    // Writes the list (BoxListFile::write); the next read() reads it and
    // says changed(). Returns an empty string on success, else the reason
    // (German).
    QString write(const BoxList &boxes);

signals:
    // A reading gave other boxes than the one before (also the first one
    // that found any).
    void changed(const BoxList &boxes);

private:
    QDir m_folder;
    FileFollower m_follower;
    BoxListFile::ReadResult m_last;
    QString m_loggedError; // the read problem last logged, empty when none
};
