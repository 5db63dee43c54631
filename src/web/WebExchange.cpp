#include "web/WebExchange.h"

#include <QJsonDocument>
#include <QJsonObject>

QByteArray WebRequest::cookie(const QByteArray &name) const
{
    const QList<QByteArray> pairs = header("cookie").split(';');
    for (const QByteArray &pair : pairs) {
        const QByteArray p = pair.trimmed();
        if (p.startsWith(name + '='))
            return p.mid(name.size() + 1);
    }
    return QByteArray();
}

WebAnswer WebAnswer::json(int status, const QByteArray &body)
{
    return WebAnswer{status, QByteArrayLiteral("application/json; charset=utf-8"), body, {}};
}

WebAnswer WebAnswer::error(int status, const QString &sentence)
{
    return json(status, QJsonDocument(QJsonObject{{QStringLiteral("error"), sentence}}).toJson(QJsonDocument::Compact));
}
