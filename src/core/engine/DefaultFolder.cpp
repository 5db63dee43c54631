#include "engine/DefaultFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString DefaultFolder::path()
{
    return QDir::home().filePath(QStringLiteral("Zelvo"));
}

QByteArray DefaultFolder::readmeText()
{
    return QStringLiteral(
               "Zelvo - Erinnerungen und Nachrichten auf dem Fernseher\n"
               "\n"
               "In diesem Ordner liest Zelvo seine Listen und Einstellungen:\n"
               "\n"
               "  zlv-tag.txt   tägliche Erinnerungen\n"
               "  zlv-woch.txt  wöchentliche Erinnerungen\n"
               "  zlv-term.txt  Erinnerungen an einem bestimmten Tag\n"
               "  boxip.ini     die Adressen der D-Boxen (Einstellungen > IP der D-Boxen)\n"
               "\n"
               "Eine fehlende Liste ist eine leere Liste. Ob jede Zeile gesendet wird und\n"
               "welche Erinnerungen als Nächstes fällig sind, zeigt:\n"
               "\n"
               "  zelvo-check --folder ~/Zelvo\n"
               "\n"
               "Zelvo liest geänderte Listen von selbst neu; ein Neustart ist nicht nötig.\n")
        .toUtf8();
}

bool DefaultFolder::prepare(const QString &path, QString *error)
{
    if (QFileInfo(path).isDir())
        return true;
    if (!QDir().mkpath(path)) {
        *error = QStringLiteral("der Ordner %1 kann nicht angelegt werden").arg(path);
        return false;
    }
    QSaveFile readme(QDir(path).filePath(QStringLiteral("LIESMICH.txt")));
    if (!readme.open(QIODevice::WriteOnly) || readme.write(readmeText()) < 0 || !readme.commit()) {
        *error = QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(readme.fileName(), readme.errorString());
        return false;
    }
    return true;
}
