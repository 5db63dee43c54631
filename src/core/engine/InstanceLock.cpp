#include "engine/InstanceLock.h"

#include <QCryptographicHash>
#include <QStandardPaths>

InstanceLock::InstanceLock(const QDir &folder)
{
    QString path = folder.canonicalPath();
    if (path.isEmpty())
        path = folder.absolutePath();
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    m_base = runtimeFolder() + QStringLiteral("/zelvo-") + QString::fromLatin1(hash);
    m_lock = std::make_unique<QLockFile>(lockFileName());
    // Only a dead holder makes the lock stale, never its age: a Zelvo runs
    // for weeks.
    m_lock->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock()
{
    if (m_lock->isLocked())
        return true;
    // QLockFile takes over a lock whose process no longer runs.
    return m_lock->tryLock(0);
}

qint64 InstanceLock::holderPid() const
{
    qint64 pid = 0;
    QString host;
    QString app;
    if (!m_lock->getLockInfo(&pid, &host, &app))
        return 0;
    return pid;
}

QString InstanceLock::runtimeFolder()
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QDir().mkpath(dir);
    return dir;
}
