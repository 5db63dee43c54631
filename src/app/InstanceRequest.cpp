#include "app/InstanceRequest.h"

#include "app/SendCommand.h"

#include "boxes/BoxList.h"

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
    if (message.confirm)
        o[QStringLiteral("confirm")] = true;
    if (expireMinutes)
        o[QStringLiteral("expire")] = *expireMinutes;
    return line(o);
}

std::optional<InstanceRequest> InstanceRequest::fromLine(const QByteArray &bytes, QString *why)
{
    auto refuse = [why](const QString &reason) -> std::optional<InstanceRequest> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    const auto o = object(bytes);
    if (!o)
        return refuse(QStringLiteral("unverständliche Anfrage"));
    InstanceRequest r;
    const QString action = o->value(QStringLiteral("action")).toString();
    if (action == QStringLiteral("show"))
        return r;
    if (action != QStringLiteral("send"))
        return refuse(QStringLiteral("unverständliche Anfrage"));
    r.action = Action::Send;

    const QJsonValue boxes = o->value(QStringLiteral("boxes"));
    if (!boxes.isUndefined() && !boxes.isArray())
        return refuse(QStringLiteral("ungültige Anfrage: \"boxes\" muss eine Liste von Boxnummern sein"));
    for (const QJsonValue v : boxes.toArray()) {
        const double number = v.toDouble(0);
        const int box = int(number);
        if (!v.isDouble() || box != number || box < 1 || box > BoxList::kBoxes || r.boxes.contains(box))
            return refuse(QStringLiteral("ungültige Anfrage: Boxnummern von 1 bis %1, jede höchstens einmal")
                              .arg(BoxList::kBoxes));
        r.boxes << box;
    }

    const QString kind = o->value(QStringLiteral("kind")).toString();
    if (kind != QStringLiteral("popup") && kind != QStringLiteral("message"))
        return refuse(QStringLiteral("ungültige Anfrage: \"kind\" muss \"popup\" oder \"message\" sein"));
    r.message.kind = kind == QStringLiteral("popup") ? MessageKind::Popup : MessageKind::Message;

    const QJsonValue text = o->value(QStringLiteral("text"));
    if (!text.isString() || !ScriptDelivery::hasText(text.toString()))
        return refuse(QStringLiteral("ungültige Anfrage: \"text\" muss ein Text mit mindestens einem Zeichen sein, "
                                     "das kein Steuerzeichen ist"));
    r.message.text = text.toString();

    const QJsonValue confirm = o->value(QStringLiteral("confirm"));
    if (!confirm.isUndefined() && !confirm.isBool())
        return refuse(QStringLiteral("ungültige Anfrage: \"confirm\" muss true oder false sein"));
    r.message.confirm = confirm.toBool();

    const QJsonValue wait = o->value(QStringLiteral("wait"));
    if (!wait.isUndefined() && !wait.isBool())
        return refuse(QStringLiteral("ungültige Anfrage: \"wait\" muss true oder false sein"));
    r.wait = wait.toBool();

    const QJsonValue expire = o->value(QStringLiteral("expire"));
    if (!expire.isUndefined()) {
        const double minutes = expire.toDouble(-1);
        if (!expire.isDouble() || minutes < 0 || minutes > SendCommand::kMaxExpireMinutes || minutes != int(minutes))
            return refuse(QStringLiteral("ungültige Anfrage: \"expire\" muss eine ganze Zahl von 0 bis %1 sein")
                              .arg(SendCommand::kMaxExpireMinutes));
        r.expireMinutes = int(minutes);
    }
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
        b[QStringLiteral("outcome")] = int(outcome.outcome);
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
        outcome.outcome = DeliveryOutcome(b.value(QStringLiteral("outcome")).toInt());
        outcome.httpStatus = b.value(QStringLiteral("status")).toInt();
        outcome.error = b.value(QStringLiteral("error")).toString();
        a.outcomes << outcome;
    }
    return a;
}
