#include "engine/InstanceRequest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray line(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> object(const QByteArray &line)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

} // namespace

QByteArray InstanceRequest::toLine() const
{
    QJsonObject o;
    if (action == Action::ShowWindow) {
        o[QStringLiteral("action")] = QStringLiteral("show");
        return line(o);
    }
    o[QStringLiteral("action")] = QStringLiteral("send");
    QJsonArray list;
    for (const int box : boxes)
        list.append(box);
    o[QStringLiteral("boxes")] = list;
    o[QStringLiteral("kind")] = message.kind == MessageKind::Popup ? QStringLiteral("popup") : QStringLiteral("message");
    o[QStringLiteral("text")] = message.text;
    o[QStringLiteral("wait")] = wait;
    return line(o);
}

std::optional<InstanceRequest> InstanceRequest::fromLine(const QByteArray &bytes)
{
    const auto o = object(bytes);
    if (!o)
        return std::nullopt;
    InstanceRequest r;
    const QString action = o->value(QStringLiteral("action")).toString();
    if (action == QStringLiteral("show"))
        return r;
    if (action != QStringLiteral("send"))
        return std::nullopt;
    r.action = Action::Send;
    for (const QJsonValue v : o->value(QStringLiteral("boxes")).toArray()) {
        const int box = v.toInt();
        if (box < 1 || box > 4)
            return std::nullopt;
        r.boxes << box;
    }
    r.message.kind = o->value(QStringLiteral("kind")).toString() == QStringLiteral("popup") ? MessageKind::Popup
                                                                                           : MessageKind::Message;
    r.message.text = o->value(QStringLiteral("text")).toString();
    r.wait = o->value(QStringLiteral("wait")).toBool();
    return r;
}

QByteArray InstanceAnswer::toLine() const
{
    QJsonObject o;
    o[QStringLiteral("ok")] = ok;
    if (!error.isEmpty())
        o[QStringLiteral("error")] = error;
    QJsonArray list;
    for (const auto &outcome : outcomes) {
        QJsonObject b;
        b[QStringLiteral("box")] = outcome.box;
        b[QStringLiteral("address")] = outcome.address;
        b[QStringLiteral("status")] = outcome.httpStatus;
        b[QStringLiteral("error")] = outcome.error;
        list.append(b);
    }
    o[QStringLiteral("outcomes")] = list;
    return line(o);
}

std::optional<InstanceAnswer> InstanceAnswer::fromLine(const QByteArray &bytes)
{
    const auto o = object(bytes);
    if (!o)
        return std::nullopt;
    InstanceAnswer a;
    a.ok = o->value(QStringLiteral("ok")).toBool();
    a.error = o->value(QStringLiteral("error")).toString();
    for (const QJsonValue v : o->value(QStringLiteral("outcomes")).toArray()) {
        const QJsonObject b = v.toObject();
        ScriptDelivery::BoxOutcome outcome;
        outcome.box = b.value(QStringLiteral("box")).toInt();
        outcome.address = b.value(QStringLiteral("address")).toString();
        outcome.httpStatus = b.value(QStringLiteral("status")).toInt();
        outcome.error = b.value(QStringLiteral("error")).toString();
        a.outcomes << outcome;
    }
    return a;
}
