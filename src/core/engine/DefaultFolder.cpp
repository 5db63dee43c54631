#include "engine/DefaultFolder.h"

#include "boxes/BoxListFile.h"
#include "reminders/ReminderLayout.h"

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
    const QString where = folder.exists(QStringLiteral("LIESMICH.txt"))
        ? QStringLiteral("erklären LIESMICH.txt in diesem Ordner und die Anleitung %1").arg(guidePath())
        : QStringLiteral("erklärt die Anleitung %1").arg(guidePath());
    return QStringLiteral("Es %1 %2. Was hineingehört, %3; zelvo-check prüft die Dateien.")
        .arg(missing.size() == 1 ? QStringLiteral("fehlt") : QStringLiteral("fehlen"), names, where);
}

QString DefaultFolder::guidePath()
{
#ifdef ZELVO_SOURCE_GUIDE
    if (!QFileInfo::exists(kInstalledGuide) && QFileInfo::exists(QStringLiteral(ZELVO_SOURCE_GUIDE)))
        return QStringLiteral(ZELVO_SOURCE_GUIDE);
#endif
    return kInstalledGuide;
}
