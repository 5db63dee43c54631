#pragma once

#include <QByteArray>
#include <QString>

// One request as a box sees it: the raw request line and what the box
// makes of it. The message text travels percent-encoded, in Windows-1252
// bytes, with "%0A" for a line break.
struct BoxRequest
{
    QByteArray requestLine; // "GET /control/message?nmsg=... HTTP/1.1"
    QByteArray target;      // "/control/message?nmsg=..."
    QString kind;           // "popup", "nmsg", or empty when it is no message
    QString text;           // the decoded message text, line breaks as '\n'

    static BoxRequest fromRequestLine(const QByteArray &requestLine);

    // One line of JSON, without the line end: the fields above (the target
    // only as part of "request"), plus the address the request came in on
    // and the time it arrived.
    QByteArray toJsonLine(const QString &address, const QString &receivedAt) const;
};
