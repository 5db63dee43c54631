#include "common/SystemErrorText.h"

#include <cerrno>

namespace SystemErrorText {

QString of(int errorNumber)
{
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return QStringLiteral("keine Berechtigung");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("der Datenträger ist voll");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("der Ordner fehlt");
    case EROFS:
        return QStringLiteral("das Dateisystem ist schreibgeschützt");
    case EISDIR:
        return QStringLiteral("an dieser Stelle steht ein Ordner");
    case ELOOP:
        return QStringLiteral("zu viele symbolische Verknüpfungen");
    case ENAMETOOLONG:
        return QStringLiteral("der Name ist zu lang");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("zu viele offene Dateien");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler des Datenträgers");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("die Datei ist belegt");
    case 0:
        return QStringLiteral("unbekannter Fehler");
    default:
        return QStringLiteral("Systemfehler %1").arg(errorNumber);
    }
}

} // namespace SystemErrorText
