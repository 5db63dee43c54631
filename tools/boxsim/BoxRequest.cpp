#include "BoxRequest.h"

#include "common/Windows1252.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QByteArray kMessagePath = "/control/message";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Only a percent sign with two hex digits is a byte; anything else stays as
// it came (QByteArray::fromPercentEncoding turns "%ZZ" into a wrong byte).
QByteArray percentDecode(const QByteArray &in)
{
    QByteArray out;
    out.reserve(in.size());
    for (int i = 0; i < in.size(); ++i) {
        if (in.at(i) == '%' && i + 2 < in.size() && hexValue(in.at(i + 1)) >= 0 && hexValue(in.at(i + 2)) >= 0) {
            out.append(static_cast<char>(hexValue(in.at(i + 1)) * 16 + hexValue(in.at(i + 2))));
            i += 2;
        } else {
            out.append(in.at(i));
        }
    }
    return out;
}

} // namespace

BoxRequest BoxRequest::fromRequestLine(const QByteArray &requestLine)
{
    BoxRequest r;
    r.requestLine = requestLine;

    // "METHOD target VERSION"; the target holds no blank when it is well formed.
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() < 2)
        return r;
    r.target = parts.at(1);

    const int question = r.target.indexOf('?');
    if (question < 0 || r.target.left(question) != kMessagePath)
        return r;
    const QByteArray query = r.target.mid(question + 1);
    const int equals = query.indexOf('=');
    if (equals < 0)
        return r;
    const QByteArray name = query.left(equals);
    if (name != "popup" && name != "nmsg")
        return r;

    r.kind = QString::fromLatin1(name);
    // Everything behind the first '=' is the text: '&', '=' and '+' are
    // ordinary characters of it, and only %XX is decoded.
    r.text = Windows1252::decode(percentDecode(query.mid(equals + 1)));
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
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
