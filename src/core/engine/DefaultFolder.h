#pragma once

#include <QString>

// The one folder of an installed Zelvo: ~/Zelvo. The menu entry, the
// autostart entry and the user service all start Zelvo with
// --default-folder, so the lists are in one place however it started.
class DefaultFolder
{
public:
    static QString path();
    // Creates the folder with a short German LIESMICH.txt when it is
    // missing; an existing folder is left as it is.
    static bool prepare(const QString &path, QString *error);
    static QByteArray readmeText();
};
