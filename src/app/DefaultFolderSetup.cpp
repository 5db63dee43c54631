#include "app/DefaultFolderSetup.h"

#include "common/AtomicFile.h"
#include "engine/DefaultFolder.h"

#include <QDir>
#include <QFileInfo>

QByteArray DefaultFolderSetup::readmeText()
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
               "Zelvo liest geänderte Listen von selbst neu; ein Neustart ist nicht nötig.\n"
               "\n"
               "Wie die Zeilen der Listen aussehen, mit Beispielen, steht in der Anleitung:\n"
               "\n"
               "  %1\n"
               "\n"
               "(im Quellcode von Zelvo: docs/anleitung.md)\n")
        .arg(DefaultFolder::kInstalledGuide)
        .toUtf8();
}

bool DefaultFolderSetup::prepare(const QString &path, QString *error)
{
    if (QFileInfo(path).isDir())
        return true;
    if (!QDir().mkpath(path)) {
        *error = QStringLiteral("der Ordner %1 kann nicht angelegt werden").arg(path);
        return false;
    }
    const QString readme = QDir(path).filePath(QStringLiteral("LIESMICH.txt"));
    const QString reason = AtomicFile::write(readme, readmeText());
    if (!reason.isEmpty()) {
        *error = QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(readme, reason);
        return false;
    }
    return true;
}
