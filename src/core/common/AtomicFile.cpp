#include "common/AtomicFile.h"

#include "common/SystemErrorText.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

// Writes all of bytes to fd; false with errno set on the first failure.
bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC; // a regular file writes nothing only when there is no room
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// Makes the rename itself survive a power loss; a failure here changes
// nothing about the file, which is already in place.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString write(const QString &path, const QByteArray &bytes)
{
    QString target = path;
    const QFileInfo link(path);
    if (link.isSymLink())
        target = link.symLinkTarget();
    const QFileInfo info(target);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray final = QFile::encodeName(info.absoluteFilePath());

    // A new file keeps the mode of the one it replaces; a first one gets the
    // usual mode under the umask.
    struct stat old {};
    const bool replaces = ::stat(final.constData(), &old) == 0;
    if (replaces && S_ISDIR(old.st_mode))
        return SystemErrorText::of(EISDIR);

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/." + QFile::encodeName(info.fileName()) + '.'
            + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            return SystemErrorText::of(errno);
    }
    if (fd < 0)
        return SystemErrorText::of(EEXIST);

    int why = 0;
    if (replaces && ::fchmod(fd, old.st_mode & 07777) != 0)
        why = errno;
    if (why == 0 && !writeAll(fd, bytes))
        why = errno;
    if (why == 0 && ::fsync(fd) != 0)
        why = errno;
    // close() can report a failed delayed write (NFS), so it is checked too.
    if (::close(fd) != 0 && why == 0)
        why = errno;
    if (why == 0 && ::rename(temporary.constData(), final.constData()) != 0)
        why = errno;
    if (why != 0) {
        ::unlink(temporary.constData());
        return SystemErrorText::of(why);
    }
    syncFolder(folder);
    return QString();
}

} // namespace AtomicFile
