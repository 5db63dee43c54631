#pragma once

#include <QString>

// A file of Zelvo's own that cannot be read back is kept for a look, never
// written over: it moves aside as "<name>.defekt" (or "<name>.2.defekt", …).
namespace DamagedFile {

// The first "<name>.defekt" name that is free (for what is kept aside of it).
QString freeName(const QString &path);

// The name it has now; empty when it could not be moved (errno says why).
QString setAside(const QString &path);

} // namespace DamagedFile
