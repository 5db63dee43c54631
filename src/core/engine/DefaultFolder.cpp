#include "engine/DefaultFolder.h"

#include "boxes/BoxListFile.h"
#include "reminders/ReminderLayout.h"


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
