#include "SmallFileSystem.h"

#include "PrivateNetwork.h"

#include <QFile>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

SmallFileSystem::SmallFileSystem()
{
    if (!PrivateNetwork::entered()) {
        m_error = QStringLiteral("no private mount namespace (needs root)");
        return;
    }
    if (::mount("zelvo-test", QFile::encodeName(m_folder.path()).constData(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
        m_error = QStringLiteral("mounting a tmpfs failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
}

bool SmallFileSystem::fillUp()
{
    QFile filler(path(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    // The last bytes of the last block.
    while (filler.write("x", 1) == 1) {
    }
    return filler.size() > 0;
}

bool SmallFileSystem::makeReadOnly()
{
    return ::mount(nullptr, QFile::encodeName(m_folder.path()).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr)
        == 0;
}
