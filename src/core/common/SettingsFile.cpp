#include "common/SettingsFile.h"

#include "common/SystemErrorText.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace SettingsFile {

QString printBool(bool value)
{
    return value ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
}

QString printInt(int value)
{
    // A blank in the sign position for non-negative values, then a trailing blank.
    return (value < 0 ? QString() : QStringLiteral(" ")) + QString::number(value) + QLatin1Char(' ');
}

QString writeLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    // QSaveFile refuses some cases without a system call; they are named first.
    const QFileInfo target(path);
    if (target.isDir())
        return SystemErrorText::of(EISDIR);
    if (!target.absoluteDir().exists())
        return SystemErrorText::of(ENOENT);
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return SystemErrorText::of(errno);
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int why = errno;
        file.cancelWriting();
        return SystemErrorText::of(why);
    }
    errno = 0;
    if (!file.commit())
        return SystemErrorText::of(errno);
    return QString();
}

QString saveFailureText(const QString &fileName, const QString &reason)
{
    return QStringLiteral("%1 konnte nicht gespeichert werden: %2").arg(fileName, reason);
}

} // namespace SettingsFile
