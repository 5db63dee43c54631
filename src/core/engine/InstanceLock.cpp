#include "engine/InstanceLock.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

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
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!session.isEmpty() && QDir(session).exists())
        return session;
    // Without a session's runtime folder (a service started early, su, cron):
    // a folder of this user's own in the temporary folder, readable by nobody
    // else. Qt's own fallback would do the same but warn on every start.
    const QString own = QDir::tempPath() + QStringLiteral("/zelvo-runtime-%1").arg(::getuid());
    QDir().mkpath(own);
    QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QFileInfo info(own);
    if (info.isDir() && !info.isSymLink() && info.ownerId() == ::getuid())
        return own;
    // Someone else's folder under that name: leave the choice to Qt.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QDir().mkpath(dir);
    return dir;
}
