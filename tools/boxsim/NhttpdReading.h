#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// How a box's nhttpd web server and its screen read a message request,
// written from what the boxes do and kept apart from Zelvo's own encoder, so
// that a test through boxsim checks Zelvo's bytes against a second reading.
//
// - The request line is "GET <target> HTTP/1.x"; the path ends at the first
//   '?', parameters are separated by '&', a name ends at its first '='.
// - A current server (nhttpd 3.4.1 and later) splits first, then decodes each
//   value once: "%" and two hex digits is a byte, anything else stays.
// - An old server decodes the whole target, splits it, then decodes the value
//   again; each pass takes '+' as a blank and every '%' with the two
//   characters behind it (a character that is no hex digit counts as 0).
// - /control/message takes its first parameter, "popup" or "nmsg"; a further
//   "timeout" says for how many seconds the box shows it.
// - The screen draws UTF-8; a NUL byte ends the text and each line stops at
//   its first byte that does not begin a valid UTF-8 sequence.
class NhttpdReading
{
public:
    static constexpr char kMessagePath[] = "/control/message";
    static constexpr char kVersionPath[] = "/control/info";
    static constexpr char kModePath[] = "/control/getmode";
    static constexpr char kStandbyPath[] = "/control/standby";

    // Reads target as a server of the given age does.
    NhttpdReading(const QByteArray &target, bool oldServer);

    QByteArray path() const { return m_path; }
    // The first parameter's name and its value, decoded as the server does.
    QByteArray firstName() const { return m_firstName; }
    QByteArray firstValue() const { return m_firstValue; }
    // The value of the first parameter so named, decoded as the server does;
    // a null array when there is none.
    QByteArray value(const QByteArray &name) const;

    // "popup" or "nmsg" when this is a message, else empty.
    QString messageKind() const;

    // What the television draws for decoded bytes.
    static QString drawn(const QByteArray &bytes);

private:
    static QByteArray decodeStrict(const QByteArray &s);
    static QByteArray decodeLenient(const QByteArray &s);

    QByteArray m_path;
    QByteArray m_firstName;
    QByteArray m_firstValue;
    QList<QPair<QByteArray, QByteArray>> m_parameters; // names and decoded values
};
