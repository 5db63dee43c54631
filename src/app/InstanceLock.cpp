#include "app/InstanceLock.h"

#include "common/SystemErrorText.h"

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

InstanceLock::InstanceLock(const QDir &folder)
{
    QString path = folder.canonicalPath();
    if (path.isEmpty())
        path = folder.absolutePath();
    const QString runtime = runtimeFolder(&m_error);
    if (runtime.isEmpty())
        return;
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    m_base = runtime + QStringLiteral("/zelvo-") + QString::fromLatin1(hash);
}

InstanceLock::~InstanceLock()
{
    release();
}

InstanceLock::State InstanceLock::tryLock()
{
    if (m_fd >= 0)
        return State::Taken;
    if (m_base.isEmpty())
        return State::Failed; // m_error names the runtime folder's fault
    const QByteArray name = QFile::encodeName(lockFileName());
    // A holder that ends removes the file between our open() and flock():
    // then the lock we got is on a file nobody else finds, and we start over.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            m_error = QStringLiteral("die Sperrdatei %1 kann nicht angelegt werden: %2")
                          .arg(lockFileName(), SystemErrorText::of(errno));
            return State::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int why = errno;
            ::close(fd);
            if (why == EWOULDBLOCK)
                return State::Held;
            m_error = QStringLiteral("die Sperrdatei %1 kann nicht gesperrt werden: %2")
                          .arg(lockFileName(), SystemErrorText::of(why));
            return State::Failed;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) != 0 || ::stat(name.constData(), &named) != 0 || held.st_ino != named.st_ino
            || held.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
        if (::ftruncate(fd, 0) != 0 || ::write(fd, pid.constData(), size_t(pid.size())) != pid.size()) {
            m_error = QStringLiteral("die Sperrdatei %1 kann nicht geschrieben werden: %2")
                          .arg(lockFileName(), SystemErrorText::of(errno));
            ::unlink(name.constData());
            ::close(fd);
            return State::Failed;
        }
        m_fd = fd;
        return State::Taken;
    }
    m_error = QStringLiteral("die Sperrdatei %1 wechselt ständig").arg(lockFileName());
    return State::Failed;
}

void InstanceLock::release()
{
    if (m_fd < 0)
        return;
    // Removed while still held, so that no other start locks the old file.
    ::unlink(QFile::encodeName(lockFileName()).constData());
    ::close(m_fd);
    m_fd = -1;
}

qint64 InstanceLock::holderPid() const
{
    QFile file(lockFileName());
    if (lockFileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine(32).trimmed().toLongLong();
}

QString InstanceLock::runtimeFolder(QString *error)
{
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!session.isEmpty() && QDir(session).exists())
        return session;
    // Without a session's runtime folder (a service started early, su, cron):
    // a folder of this user's own in the temporary folder. Anyone can make
    // that name first, so it is used only when it is a real folder of ours,
    // and its mode is set on the folder itself, never through a link.
    const QString own = QDir::tempPath() + QStringLiteral("/zelvo-runtime-%1").arg(::getuid());
    const QByteArray name = QFile::encodeName(own);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("der Ordner %1 kann nicht angelegt werden: %2").arg(own, SystemErrorText::of(errno));
        return QString();
    }
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) {
        *error = QStringLiteral("der Ordner %1: %2").arg(own, SystemErrorText::of(errno));
        return QString();
    }
    if (S_ISLNK(st.st_mode)) {
        *error = QStringLiteral("%1 ist eine symbolische Verknüpfung, kein eigener Ordner").arg(own);
        return QString();
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        *error = QStringLiteral("%1 ist kein Ordner").arg(own);
        if (fd >= 0)
            ::close(fd);
        return QString();
    }
    QString fault;
    if (st.st_uid != ::getuid())
        fault = QStringLiteral("der Ordner %1 gehört einem anderen Benutzer").arg(own);
    else if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        fault = QStringLiteral("der Ordner %1 ist nicht nur für diesen Benutzer lesbar: %2")
                    .arg(own, SystemErrorText::of(errno));
    ::close(fd);
    if (!fault.isEmpty()) {
        *error = fault;
        return QString();
    }
    return own;
}
