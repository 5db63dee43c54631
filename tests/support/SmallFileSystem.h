#pragma once

#include "PrivateNetwork.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>

// A 64 KB tmpfs of the test's own, to fill up or make read-only; only in the
// private mount namespace of PrivateNetwork::enter(), so the host never sees it.
class SmallFileSystem : public QTemporaryDir
{
public:
    SmallFileSystem()
        : m_mounted(PrivateNetwork::entered() && ::mount("zelvo-test", name(), "tmpfs", 0, "size=64k") == 0)
    {
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(name(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    bool fillUp() const
    {
        QFile filler(filePath("filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        while (filler.write("x", 1) == 1) {
        }
        return true;
    }
    bool makeReadOnly() const { return ::mount(nullptr, name(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    QByteArray name() const { return QFile::encodeName(path()); }
    bool m_mounted;
};
