#include "boxes/nhttpd/RequestTarget.h"

#include <QStringList>

namespace {

bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

const QByteArray kEllipsis = "%E2%80%A6"; // "…"
const QByteArray kMessagePath = "/control/message";
const QString kLineBreak = QStringLiteral("%0A");

// Up to and including the '=' behind which the message text stands.
QByteArray kindPrefix(MessageKind kind)
{
    return kMessagePath + '?' + RequestTarget::kindName(kind).toLatin1() + '=';
}

void escapeBytes(QByteArray &out, const QByteArray &bytes, bool keepSlash)
{
    static const char hex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        if (isUnreserved(c) || (keepSlash && c == '/')) {
            out += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0xF];
        }
    }
}

// What an old web server decodes away, and the word that survives it.
QString wordFor(char32_t c)
{
    switch (c) {
    case U'&':
        return QStringLiteral("und");
    case U'+':
        return QStringLiteral("plus");
    case U'%':
        return QStringLiteral("Prozent");
    default:
        return QString();
    }
}

bool isControl(char32_t c)
{
    return c != U'\n' && QChar::category(c) == QChar::Other_Control;
}

// Escapes text onto e.target one character at a time. With
// a budget >= 0, the target never grows beyond it: the character that would
// cross it and all behind it give way to "…".
void appendEscaped(RequestTarget::Encoded &e, const QString &text, bool keepSlash, FirmwareKind kind, int budget)
{
    const bool mayDecodeTwice = kind != FirmwareKind::New;
    QByteArray &out = e.target;
    int fits = out.size(); // the end of the last character behind which "…" still fits
    int i = 0;
    while (i < text.size()) {
        char32_t c = text.at(i).unicode();
        int next = i + 1;
        if (text.at(i).isHighSurrogate() && next < text.size() && text.at(next).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(next));
            ++next;
        }

        if (isControl(c)) {
            ++e.droppedControls;
        } else if (mayDecodeTwice && !wordFor(c).isEmpty()) {
            // A blank on either side where the word would touch a letter or digit.
            QString word = wordFor(c);
            if (i > 0 && text.at(i - 1).isLetterOrNumber())
                word.prepend(QLatin1Char(' '));
            if (next < text.size() && text.at(next).isLetterOrNumber())
                word.append(QLatin1Char(' '));
            e.replacements << QStringLiteral("\"%1\" -> \"%2\"").arg(QString::fromUcs4(&c, 1), word.trimmed());
            escapeBytes(out, word.toUtf8(), keepSlash);
        } else {
            escapeBytes(out, QString::fromUcs4(&c, 1).toUtf8(), keepSlash);
        }

        if (budget >= 0) {
            if (out.size() > budget) {
                out.truncate(fits);
                out += kEllipsis;
                e.shortened = true;
                return;
            }
            if (out.size() + kEllipsis.size() <= budget)
                fits = out.size();
        }
        i = next;
    }
}

// The length of the longest start of s that is valid UTF-8.
int validUtf8Prefix(const QByteArray &s)
{
    int i = 0;
    while (i < s.size()) {
        const auto lead = uchar(s.at(i));
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t c = 0;
        char32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, c = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, c = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, c = lead & 0x07, least = 0x10000;
        } else {
            return i;
        }
        if (i + length > s.size())
            return i;
        for (int k = 1; k < length; ++k) {
            const auto follow = uchar(s.at(i + k));
            if ((follow & 0xC0) != 0x80)
                return i;
            c = (c << 6) | (follow & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return i;
        i += length;
    }
    return i;
}

} // namespace

namespace RequestTarget {

int hexValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

Encoded encode(const Message &message, FirmwareKind kind, std::optional<int> displaySeconds)
{
    Encoded e;
    const QByteArray timeout = displaySeconds ? "&timeout=" + QByteArray::number(*displaySeconds) : QByteArray();
    // The prefix is ASCII and goes as written; the text behind it is escaped.
    e.target = kindPrefix(message.kind);
    appendEscaped(e, message.text, false, kind, kMaxTarget - int(timeout.size()));
    e.target += timeout;
    return e;
}

QByteArray encodeQuery(const QString &document)
{
    Encoded e;
    const int query = document.indexOf(QLatin1Char('?'));
    appendEscaped(e, document.left(query), true, FirmwareKind::New, -1);
    if (query >= 0) {
        e.target += '?';
        appendEscaped(e, document.mid(query + 1), true, FirmwareKind::New, -1);
    }
    return e.target;
}

QString document(const Message &message)
{
    QString text = message.text;
    return QString::fromLatin1(kindPrefix(message.kind)) + text.replace(QLatin1Char('\n'), kLineBreak);
}

QString kindName(MessageKind kind)
{
    return kind == MessageKind::Popup ? QStringLiteral("popup") : QStringLiteral("nmsg");
}

std::optional<MessageParts> split(const QByteArray &target)
{
    const int question = target.indexOf('?');
    if (question < 0 || target.left(question) != kMessagePath)
        return std::nullopt;
    // The first parameter names the kind; '&' ends it.
    const QByteArray parameter = target.mid(question + 1).split('&').first();
    const int equals = parameter.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    const QByteArray name = parameter.left(equals);
    for (const MessageKind kind : {MessageKind::Popup, MessageKind::Message})
        if (name == kindName(kind).toLatin1())
            return MessageParts{kind, parameter.mid(equals + 1)};
    return std::nullopt;
}

std::optional<Message> decode(const QByteArray &target)
{
    const std::optional<MessageParts> parts = split(target);
    if (!parts)
        return std::nullopt;
    return Message{parts->kind, decodeText(parts->value)};
}

QByteArray encodeText(const QString &text, FirmwareKind kind)
{
    Encoded e;
    appendEscaped(e, text, false, kind, -1);
    return e.target;
}

QByteArray decodeBytes(const QByteArray &encoded)
{
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (int i = 0; i < encoded.size(); ++i) {
        const int high = i + 2 < encoded.size() ? hexValue(uchar(encoded.at(i + 1))) : -1;
        const int low = high >= 0 ? hexValue(uchar(encoded.at(i + 2))) : -1;
        if (encoded.at(i) == '%' && high >= 0 && low >= 0) {
            bytes.append(char(high * 16 + low));
            i += 2;
        } else {
            bytes.append(encoded.at(i));
        }
    }
    return bytes;
}

QString decodeText(const QByteArray &encoded)
{
    return QString::fromUtf8(decodeBytes(encoded));
}

QString shownOnScreen(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    const QList<QByteArray> lines = (nul < 0 ? bytes : bytes.left(nul)).split('\n');
    QStringList shown;
    for (const QByteArray &line : lines)
        shown << QString::fromUtf8(line.left(validUtf8Prefix(line)));
    return shown.join(QLatin1Char('\n'));
}

} // namespace RequestTarget
