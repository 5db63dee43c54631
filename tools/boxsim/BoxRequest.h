#pragma once

#include "boxes/nhttpd/FirmwareKind.h"

#include <QByteArray>
#include <QString>

// One request as a box sees it: the raw request line and what the box
// makes of it. The message text travels percent-encoded in UTF-8 bytes,
// a line break as an escaped LF. How it is decoded depends on the box's web
// server: an old one (before nhttpd 3.4.1) decodes the whole target, then
// splits it at '?' and '&', then decodes the value again, taking every '%'
// with the two characters behind it (non-hex digits count as 0) and '+' as a
// blank; a new one splits first and decodes once.
struct BoxRequest
{
    QByteArray requestLine; // "GET /control/message?nmsg=... HTTP/1.1"
    QByteArray target;      // "/control/message?nmsg=..."
    QString kind;           // "popup", "nmsg", "message" or "question" (Enigma2, type=0), or empty when it is no message
    QString text;           // the decoded message text read as UTF-8, line breaks as '\n'
    QString shown;          // what the television draws of it; empty when discarded
    QString timeout;        // the "timeout" parameter of a message as given, empty when none
    QString discarded;      // why the box threw the message away (the mode it was in), else empty

    static BoxRequest fromRequestLine(const QByteArray &requestLine, FirmwareKind firmware = FirmwareKind::New);
    // The same request as an Enigma2 receiver reads it (Enigma2Reading); a
    // message's kind is "message", its text drawn as decoded.
    static BoxRequest fromEnigma2RequestLine(const QByteArray &requestLine);

    // One line of JSON, without the line end: the fields above (the target
    // only as part of "request"; timeout, a number when it is one, and
    // discarded only when set), plus the address the request came in on and
    // the time it arrived.
    QByteArray toJsonLine(const QString &address, const QString &receivedAt) const;
};
