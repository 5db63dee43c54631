#include "boxes/RequestTarget.h"

#include "common/Windows1252.h"

#include <QStringList>

namespace {

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

bool isHexDigit(QChar c)
{
    return hexValue(c.unicode()) >= 0;
}

bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

void appendEscaped(QByteArray &out, const QString &text, bool keepSlash)
{
    static const char hex[] = "0123456789ABCDEF";
    int i = 0;
    while (i < text.size()) {
        if (text.at(i) == QLatin1Char('%') && i + 2 < text.size() && isHexDigit(text.at(i + 1))
            && isHexDigit(text.at(i + 2))) {
            out += text.mid(i, 3).toLatin1();
            i += 3;
            continue;
        }
        // Everything up to the next kept escape goes through the code page at once.
        int j = i + 1;
        while (j < text.size() && text.at(j) != QLatin1Char('%'))
            ++j;
        for (const char c : Windows1252::encode(text.mid(i, j - i))) {
            if (isUnreserved(c) || (keepSlash && c == '/')) {
                out += c;
            } else {
                const auto b = static_cast<unsigned char>(c);
                out += '%';
                out += hex[b >> 4];
                out += hex[b & 0xF];
            }
        }
        i = j;
    }
}

} // namespace

namespace RequestTarget {

QByteArray encodeDocument(const QString &document)
{
    QByteArray out;
    const int query = document.indexOf(QLatin1Char('?'));
    const int equals = query < 0 ? -1 : document.indexOf(QLatin1Char('='), query);
    if (equals < 0) {
        appendEscaped(out, document, true);
        return out;
    }
    // The prefix is ASCII and goes as written; the text behind it is escaped.
    appendEscaped(out, document.left(query), true);
    out += document.mid(query, equals - query + 1).toLatin1();
    out += encodeText(document.mid(equals + 1));
    return out;
}

QByteArray encodeText(const QString &text)
{
    QByteArray out;
    appendEscaped(out, text, false);
    return out;
}

QString decodeText(const QByteArray &encoded)
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
    return Windows1252::decode(bytes);
}

} // namespace RequestTarget
