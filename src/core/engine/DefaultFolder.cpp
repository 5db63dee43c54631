#include "engine/DefaultFolder.h"

#include "boxes/BoxListFile.h"
#include "reminders/ReminderLayout.h"

#include "common/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

QString DefaultFolder::path()
{
    return QDir::home().filePath(QStringLiteral("Zelvo"));
}

bool DefaultFolder::isDefault(const QString &folder)
{
    return QDir::cleanPath(folder) == QDir::cleanPath(path());
}

QString DefaultFolder::shownName(const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    const QString home = QDir::cleanPath(QDir::homePath());
    if (clean.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + clean.mid(home.size());
    return clean;
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
               "Zelvo liest geänderte Listen von selbst neu; ein Neustart ist nicht nötig.\n"
               "\n"
               "Wie die Zeilen der Listen aussehen, mit Beispielen, steht in der Anleitung:\n"
               "\n"
               "  %1\n"
               "\n"
               "(im Quellcode von Zelvo: docs/anleitung.md)\n")
        .arg(kGuidePath)
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
    const QString readme = QDir(path).filePath(QStringLiteral("LIESMICH.txt"));
    const QString reason = AtomicFile::write(readme, readmeText());
    if (!reason.isEmpty()) {
        *error = QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(readme, reason);
        return false;
    }
    return true;
}

QString DefaultFolder::missingFilesNotice(const QDir &folder)
{
    QStringList missing;
    if (!folder.exists(BoxListFile::kFileName))
        missing << BoxListFile::kFileName;
    // One list is enough: a missing list is an empty list.
    QStringList lists;
    for (const ReminderListKind list : {ReminderListKind::Daily, ReminderListKind::Weekly, ReminderListKind::Dated})
        lists << ReminderLayout::fileName(list);
    if (!std::any_of(lists.cbegin(), lists.cend(), [&](const QString &name) { return folder.exists(name); }))
        missing << lists;
    if (missing.isEmpty())
        return QString();
    const QString names = missing.size() == 1
        ? missing.first()
        : QStringList(missing.mid(0, missing.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" und ")
            + missing.last();
    const QString readme = isDefault(folder.absolutePath()) ? QStringLiteral("LIESMICH.txt")
                                                            : QStringLiteral("LIESMICH.txt in ~/Zelvo");
    return QStringLiteral("Es %1 %2. Was hineingehört, erklären %3 und die Anleitung; zelvo-check prüft die Dateien.")
        .arg(missing.size() == 1 ? QStringLiteral("fehlt") : QStringLiteral("fehlen"), names, readme);
}
