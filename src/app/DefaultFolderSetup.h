#pragma once

#include <QByteArray>
#include <QString>

// The first start with --default-folder: ~/Zelvo (DefaultFolder::path())
// is made with a short German LIESMICH.txt that says what goes into it.
class DefaultFolderSetup
{
public:
    // Creates the folder with its LIESMICH.txt when it is missing; an
    // existing folder is left as it is.
    static bool prepare(const QString &path, QString *error);
    static QByteArray readmeText();
};
