#include "common/SettingsFile.h"

#include <QSaveFile>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

} // namespace SettingsFile
