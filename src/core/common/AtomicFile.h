#pragma once

#include <QByteArray>
#include <QString>

// The one way Zelvo replaces a file: the bytes go to a new file beside it,
// every write, the fsync and the close are checked, and only then does the
// new file take the old one's name. On any failure the old file stays as it
// was and the new one is removed. QSaveFile is not used: in Qt 6.4 its commit
// does not see a failed flush of its buffer (a full disk) and renames an
// empty file over the old one.
namespace AtomicFile {

// Returns an empty string on success, otherwise the reason in German.
// A symbolic link at path is kept: its target is replaced.
QString write(const QString &path, const QByteArray &bytes);

} // namespace AtomicFile
