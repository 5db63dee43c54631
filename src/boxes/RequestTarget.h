#pragma once

#include <QByteArray>
#include <QString>

// How a request document and a box address go on the wire.
namespace RequestTarget {

// The kind prefix ("/control/message?popup=" or "...?nmsg=", up to and
// including the first '=' of the query) stays as it is. In the message text
// behind it, '%' followed by two hex digits stays (so "%0A" stays a line
// break); every other character goes to Windows-1252 and each byte outside
// A-Z a-z 0-9 - . _ ~ becomes %XX. The box decodes it back to the text whole.
QByteArray encodeDocument(const QString &document);

// The message text alone, escaped the same way.
QByteArray encodeText(const QString &text);

// The text as a box reads it back: each '%' with two hex digits is a byte,
// every other byte stands for itself, and the bytes are Windows-1252. So
// "%0A" becomes a line break. A '%' without two hex digits stays as it is.
QString decodeText(const QByteArray &encoded);

// What a box shows for a message text: the text as it goes on the wire,
// read back. Characters that Windows-1252 lacks show as '?'.
inline QString shownOnBox(const QString &text)
{
    return decodeText(encodeText(text));
}

} // namespace RequestTarget
