#pragma once

#include "boxes/BoxList.h"
#include "common/TextFile.h"

#include <QDir>
#include <QString>

// The one reader and the one writer of boxip.ini: eight lines, four
// addresses then four report flags, CR LF.
//
// A missing file reads as four unconfigured boxes with flags 0; entries that
// a short file lacks keep those values; fields after the eighth are ignored;
// a flag without a number is 0.
class BoxListFile
{
public:
    static inline const QString kFileName = QStringLiteral("boxip.ini");

    struct ReadResult {
        BoxList boxes;
        TextFile::Status status = TextFile::Status::Missing;
        QString error; // set when the file exists but cannot be read
        TextFile::Identity identity; // of the file that was read
    };

    // Logs nothing: at run time the file is read through BoxListSource.
    static ReadResult read(const QDir &folder);
    static BoxList parse(const QString &text);

    // Returns an empty string on success, else the reason (German).
    static QString write(const QDir &folder, const BoxList &boxes);

    // What an address can hold: the file has one field per line and no
    // escaping, so a comma would split an address in two and a double quote
    // would swallow the following lines, shifting every later address and
    // flag. The typed text without those characters.
    static QString storable(const QString &typed);
};
