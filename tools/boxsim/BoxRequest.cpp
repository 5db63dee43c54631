#include "BoxRequest.h"

#include "boxes/RequestTarget.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QByteArray kMessagePath = "/control/message";

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
    r.text = RequestTarget::decodeText(query.mid(equals + 1));
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
