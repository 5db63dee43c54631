#pragma once

#include <QDir>
#include <QString>

// The one folder of an installed Zelvo: ~/Zelvo. The menu entry, the
// autostart entry and the user service all start Zelvo with
// --default-folder, so the lists are in one place however it started.
class DefaultFolder
{
public:
    static QString path();
    static bool isDefault(const QString &folder);
    // The folder as the user reads it: "~/…" inside the home folder.
    static QString shownName(const QString &folder);

    // For a folder without boxip.ini or without any list: one German
    // sentence naming the missing files and where to read about them.
    // Empty when the folder has what Zelvo needs.
    static QString missingFilesNotice(const QDir &folder);
};
