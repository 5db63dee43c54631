#include "common/SystemErrorText.h"

#include <QCoreApplication>

#include <cerrno>
#include <netdb.h>

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
    case ENETUNREACH:
        return QStringLiteral("das Netz ist nicht erreichbar");
    case EHOSTUNREACH:
        return QStringLiteral("die Box ist nicht erreichbar");
    case ECONNREFUSED:
        return QStringLiteral("Verbindung abgelehnt");
    case ECONNRESET:
        return QStringLiteral("Verbindung von der Gegenseite zurückgesetzt");
    case ETIMEDOUT:
        return QStringLiteral("Zeitüberschreitung der Verbindung");
    case ENOMEM:
        return QStringLiteral("zu wenig Speicher");
    case 0:
        return QStringLiteral("unbekannter Fehler");
    default:
        return QStringLiteral("Systemfehler %1").arg(errorNumber);
    }
}

namespace {

// The texts Qt's socket engine puts under NetworkError and its neighbours,
// each with the errno it stands for; matched in English and, when Qt's own
// translation is loaded, as translated.
struct SocketText {
    const char *english;
    int errorNumber;
};
constexpr SocketText kSocketTexts[] = {
    {"Network unreachable", ENETUNREACH},
    {"Host unreachable", EHOSTUNREACH},
    {"Connection refused", ECONNREFUSED},
    {"Connection timed out", ETIMEDOUT},
    {"Connection reset by peer", ECONNRESET},
    {"Permission denied", EACCES},
    {"Out of resources", ENOMEM},
};

} // namespace

QString ofSocket(QAbstractSocket::SocketError error, const QString &errorString)
{
    for (const SocketText &known : kSocketTexts) {
        if (errorString == QLatin1String(known.english)
            || errorString == QCoreApplication::translate("QNativeSocketEngine", known.english))
            return of(known.errorNumber);
    }
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return of(ECONNREFUSED);
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("Verbindung geschlossen ohne Antwort");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("Name nicht auflösbar");
    case QAbstractSocket::SocketAccessError:
        return of(EACCES);
    case QAbstractSocket::SocketResourceError:
        return QStringLiteral("zu viele offene Verbindungen");
    case QAbstractSocket::SocketTimeoutError:
        return of(ETIMEDOUT);
    case QAbstractSocket::NetworkError:
        return QStringLiteral("Netz gestört");
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("die Adresse ist schon belegt");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("diese Adresse hat der Rechner nicht");
    case QAbstractSocket::UnsupportedSocketOperationError:
        return QStringLiteral("vom System nicht unterstützt");
    default:
        return QStringLiteral("Verbindungsfehler %1").arg(int(error));
    }
}

QString ofLookup(int lookupError)
{
    switch (lookupError) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
        return QStringLiteral("der Name ist nicht bekannt");
    case EAI_AGAIN:
        return QStringLiteral("der Namensdienst antwortet nicht");
    case EAI_FAIL:
        return QStringLiteral("der Namensdienst meldet einen Fehler");
    case EAI_MEMORY:
        return of(ENOMEM);
    case EAI_SYSTEM:
        return of(errno);
    default:
        return QStringLiteral("Fehler %1 bei der Namensauflösung").arg(lookupError);
    }
}

} // namespace SystemErrorText
