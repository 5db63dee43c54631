#pragma once

#include "PrivateNetwork.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>

// A tmpfs of the test's own (64 KB unless told), to fill up or make
// read-only; only in the private mount namespace of PrivateNetwork::enter(),
// so the host never sees it.
class SmallFileSystem : public QTemporaryDir
{
public:
    explicit SmallFileSystem(const char *size = "64k")
        : m_mounted(PrivateNetwork::entered()
                    && ::mount("zelvo-test", name(), "tmpfs", 0, (QByteArray("size=") + size).constData()) == 0)
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
    // Room and writes again.
    bool free() const
    {
        return ::mount(nullptr, name(), nullptr, MS_REMOUNT, nullptr) == 0 && QFile::remove(filePath("filler"));
    }

private:
    QByteArray name() const { return QFile::encodeName(path()); }
    bool m_mounted;
};
