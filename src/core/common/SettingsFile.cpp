#include "common/SettingsFile.h"

#include "common/AtomicFile.h"

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
    return AtomicFile::write(path, bytes);
}

QString saveFailureText(const QString &fileName, const QString &reason)
{
    return QStringLiteral("%1 konnte nicht gespeichert werden: %2").arg(fileName, reason);
}

} // namespace SettingsFile
