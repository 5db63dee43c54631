#include "BoxRequest.h"

#include "boxes/RequestTarget.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A non-hex digit counts as 0.
int lenientHex(char c)
{
    return qMax(0, RequestTarget::hexValue(uchar(c)));
}

// One decoding pass of an old web server.
QByteArray decodeAsOldServer(const QByteArray &s)
{
    QByteArray out;
    for (int i = 0; i < s.size(); ++i) {
        if (s.at(i) == '+') {
            out += ' ';
        } else if (s.at(i) == '%') {
            const char high = i + 1 < s.size() ? s.at(i + 1) : '0';
            const char low = i + 2 < s.size() ? s.at(i + 2) : '0';
            out += char(lenientHex(high) * 16 + lenientHex(low));
            i += 2;
        } else {
            out += s.at(i);
        }
    }
    return out;
}

} // namespace

BoxRequest BoxRequest::fromRequestLine(const QByteArray &requestLine, FirmwareKind firmware)
{
    BoxRequest r;
    r.requestLine = requestLine;

    // "METHOD target VERSION"; the target holds no blank when it is well formed.
    const QList<QByteArray> words = requestLine.split(' ');
    if (words.size() < 2)
        return r;
    r.target = words.at(1);

    const bool old = firmware == FirmwareKind::Old;
    const QByteArray target = old ? decodeAsOldServer(r.target) : r.target;
    const std::optional<RequestTarget::MessageParts> parts = RequestTarget::split(target);
    if (!parts)
        return r;

    r.kind = RequestTarget::kindName(parts->kind);
    const QByteArray bytes = old ? decodeAsOldServer(parts->value) : RequestTarget::decodeBytes(parts->value);
    r.text = QString::fromUtf8(bytes);
    r.shown = RequestTarget::shownOnScreen(bytes);
    return r;
}

QByteArray BoxRequest::toJsonLine(const QString &address, const QString &receivedAt) const
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), receivedAt);
    o.insert(QStringLiteral("address"), address);
    o.insert(QStringLiteral("request"), QString::fromLatin1(requestLine));
    o.insert(QStringLiteral("kind"), kind);
    o.insert(QStringLiteral("text"), text);
    o.insert(QStringLiteral("shown"), shown);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
