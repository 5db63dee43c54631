#pragma once

#include <QAbstractSocket>
#include <QString>

// Why a system call failed, in German: the system's and Qt's own texts
// follow the locale and are English on most machines, and the user reads
// them in "Verlauf", the tray tip and the log.
namespace SystemErrorText {

// From the system's error number (errno).
QString of(int errorNumber);

// Why a connection failed, from the socket's error and its text (Qt says
// "Network unreachable" and the like only in the text, under NetworkError).
QString ofSocket(QAbstractSocket::SocketError error, const QString &errorString);

// Why a name could not be looked up, from getaddrinfo()'s result (EAI_*).
QString ofLookup(int lookupError);

} // namespace SystemErrorText
