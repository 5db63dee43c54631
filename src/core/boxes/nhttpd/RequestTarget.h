#pragma once

#include "boxes/nhttpd/FirmwareKind.h"
#include "boxes/Message.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// How a message goes on the wire to an nhttpd box, and back: the request
// target its web server reads a message from. NhttpdProtocol uses it.
namespace RequestTarget {

// The box's web server reads the request line "GET <target> HTTP/1.1\r\n"
// into a buffer of this size; a longer line gets no answer at all.
constexpr int kMaxRequestLine = 2048;
constexpr int kMaxTarget = kMaxRequestLine - int(sizeof("GET  HTTP/1.1\r\n") - 1);

// The document asked for to learn a box's web server version (a request
// that is not a message).
inline const QString kVersionQuery = QStringLiteral("/control/info?nhttpd_version");
// Whether a message would be seen now: one word, the box's mode ("tv",
// "standby", "avinput", ...); servers without it answer the older question
// whether the box is in standby ("on" or "off").
inline const QByteArray kModeQuery = QByteArrayLiteral("/control/getmode");
inline const QByteArray kStandbyQuery = QByteArrayLiteral("/control/standby");

struct Encoded {
    QByteArray target;
    bool shortened = false;   // the text was cut to fit and ends in "…"
    QStringList replacements; // e.g. "& -> und", for a box that may decode twice
    int droppedControls = 0;  // control characters other than the line break
};

// The kind prefix ("/control/message?popup=" or "...?nmsg=") and behind it
// the message text, every character as itself: in UTF-8, each byte outside
// A-Z a-z 0-9 - . _ ~ as %XX, so a line break is "%0A" and a '%' is "%25"
// whatever follows it.
// Control characters other than the line break are left out. For a box
// whose web server is old or not yet known, "&", "+" and "%" are written as
// words, since such a server decodes them away. The text is cut at a
// character boundary, ending in "…", so that the request line stays within
// kMaxRequestLine. displaySeconds: how long the box shows it, sent as
// "&timeout=N" behind the text (servers since 2011 read it; the length
// limit counts it); none: the box keeps its own time.
Encoded encode(const Message &message, FirmwareKind kind, std::optional<int> displaySeconds = std::nullopt);

// A request that is not a message, such as kVersionQuery: path and query
// escaped as text, '/' kept.
QByteArray encodeQuery(const QString &document);

// The message as a readable document: the kind prefix and the text, each
// line break written "%0A", nothing else escaped (zelvo-check shows it so).
QString document(const Message &message);

// "popup" or "nmsg": the parameter that names the kind.
QString kindName(MessageKind kind);

// A message target taken apart as a box's web server does: the path
// "/control/message", the first parameter (up to '&') named popup or nmsg,
// and its value still escaped. Nothing for any other target.
struct MessageParts {
    MessageKind kind = MessageKind::Message;
    QByteArray value;
};
std::optional<MessageParts> split(const QByteArray &target);

// The message a box with a current web server reads from a target: split()
// and the value decoded once as UTF-8. Nothing for a target that is no message.
std::optional<Message> decode(const QByteArray &target);

// The message text alone, escaped the same way (without the length limit).
QByteArray encodeText(const QString &text, FirmwareKind kind);

// The bytes a box's web server hands on after decoding once: each '%' with
// two hex digits is a byte, every other byte stands for itself. A '%'
// without two hex digits stays as it is.
QByteArray decodeBytes(const QByteArray &encoded);

// The decoded bytes read as UTF-8, so "%0A" becomes a line break.
QString decodeText(const QByteArray &encoded);

// What the television draws for the bytes of a message: UTF-8, a NUL ends
// the text, and each line stops at its first byte that does not start a
// valid UTF-8 sequence.
QString shownOnScreen(const QByteArray &bytes);

// The value of a hexadecimal digit, -1 when c is none.
int hexValue(char16_t c);

} // namespace RequestTarget
