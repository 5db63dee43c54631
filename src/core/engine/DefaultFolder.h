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

    // For a folder without boxip.ini or without any list: German sentences
    // naming the missing files and a file to read about them that exists:
    // the folder's LIESMICH.txt when it has one, and the guide. Empty when
    // the folder has what Zelvo needs.
    static QString missingFilesNotice(const QDir &folder);

    // The user's guide: where the packages install it, or else the source
    // tree's docs/anleitung.md when this program was built from one.
    static inline const QString kInstalledGuide = QStringLiteral("/usr/share/doc/zelvo-headless/anleitung.md");
    static QString guidePath();
};
