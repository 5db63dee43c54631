#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A 64 KB tmpfs of the test's own, to fill up or make read-only. It needs
// the private mount namespace of PrivateNetwork::enter(), so that the host
// never sees it.
class SmallFileSystem
{
public:
    SmallFileSystem();
    ~SmallFileSystem();

    // Why there is no file system (then the test skips), empty when mounted.
    QString error() const { return m_error; }
    QDir dir() const { return QDir(m_folder.path()); }
    QString path(const QString &name) const { return m_folder.filePath(name); }

    // Writes a filler file until not one more byte fits.
    bool fillUp();
    bool makeReadOnly();

private:
    QTemporaryDir m_folder;
    QString m_error;
    bool m_mounted = false;
};
