#include "check/BoxScreenText.h"

#include "common/Windows1252.h"

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

QString BoxScreenText::of(const QString &messageText)
{
    QByteArray bytes;
    QString plain; // a run of characters without percent codes
    auto flush = [&] {
        bytes += Windows1252::encode(plain);
        plain.clear();
    };
    for (qsizetype i = 0; i < messageText.size(); ++i) {
        const QChar c = messageText.at(i);
        if (c == QLatin1Char('%') && i + 2 < messageText.size() && hexValue(messageText.at(i + 1)) >= 0
            && hexValue(messageText.at(i + 2)) >= 0) {
            flush();
            bytes += char(hexValue(messageText.at(i + 1)) * 16 + hexValue(messageText.at(i + 2)));
            i += 2;
        } else {
            plain += c;
        }
    }
    flush();
    return Windows1252::decode(bytes);
}
