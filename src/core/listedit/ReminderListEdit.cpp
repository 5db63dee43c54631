#include "listedit/ReminderListEdit.h"

#include "boxes/BoxSender.h"
#include "check/ReminderSchedule.h"
#include "listedit/ReminderListDocument.h"
#include "reminders/ReminderMessage.h"
#include "reminders/ReminderRecord.h"

#include <QJsonArray>

QJsonObject ReminderListEdit::listing(const QDir &folder, ReminderListKind list, const BoxList &boxes,
                                      const QDateTime &now)
{
    const ReminderListDocument doc = ReminderListDocument::load(folder, list);
    QJsonObject out{{QStringLiteral("version"), doc.version()}};
    if (doc.status() == TextFile::Status::Unreadable)
        out.insert(QStringLiteral("error"), doc.error());
    QJsonArray records;
    for (const ReminderListDocument::Row &row : doc.rows(boxes, now)) {
        QJsonObject r{{QStringLiteral("line"), row.line},
                      {QStringLiteral("fires"), row.fires},
                      {QStringLiteral("reason"), row.reason.isEmpty() ? QJsonValue() : QJsonValue(row.reason)},
                      {QStringLiteral("hints"), QJsonArray::fromStringList(row.hints)}};
        r.insert(QStringLiteral("fields"), row.fields ? QJsonValue(row.fields->toJson(list)) : QJsonValue());
        if (!row.fields)
            r.insert(QStringLiteral("raw"), row.raw);
        records.append(r);
    }
    out.insert(QStringLiteral("records"), records);
    return out;
}

QString ReminderListEdit::noSuchLine(int line)
{
    return QStringLiteral("Zeile %1 gibt es nicht").arg(line);
}

QString ReminderListEdit::staleReason(ReminderListKind list)
{
    return QStringLiteral("%1 wurde inzwischen geändert").arg(ReminderLayout::fileName(list));
}

ReminderListEdit::Answer ReminderListEdit::apply(const QDir &folder, ReminderListKind list, const Request &request,
                                                 const BoxList &boxes, const QDateTime &now)
{
    ReminderListDocument doc = ReminderListDocument::load(folder, list);
    Answer a;
    a.version = doc.version();
    if (request.version != doc.version()) {
        a.result = Result::Stale;
        a.reason = staleReason(list);
        return a;
    }
    if (request.op != Op::Add && (request.line < 1 || request.line > doc.lineCount())) {
        a.result = Result::NoSuchLine;
        a.reason = noSuchLine(request.line);
        return a;
    }
    if (request.op != Op::Delete) {
        if (!request.fields) {
            a.result = Result::Refused;
            a.reason = QStringLiteral("die Felder fehlen");
            return a;
        }
        const ReminderListDocument::Row check = ReminderListDocument::check(list, *request.fields, boxes, now);
        if (!check.fires && !request.force && request.fields->refusal(list).isEmpty()) {
            a.result = Result::CannotFire;
            a.reason = check.reason;
            return a;
        }
    }
    QString refusal;
    switch (request.op) {
    case Op::Add:
        refusal = doc.insert(doc.lineCount() + 1, *request.fields);
        break;
    case Op::Change:
        refusal = doc.change(request.line, *request.fields);
        break;
    case Op::Delete:
        refusal = doc.remove(request.line);
        break;
    }
    if (!refusal.isEmpty()) {
        a.result = Result::Refused;
        a.reason = refusal;
        return a;
    }
    switch (doc.save(&a.version, &a.reason)) {
    case ReminderListDocument::SaveOutcome::Saved:
        a.result = Result::Saved;
        break;
    case ReminderListDocument::SaveOutcome::Stale:
        a.result = Result::Stale;
        a.reason = staleReason(list);
        break;
    case ReminderListDocument::SaveOutcome::Failed:
        a.result = Result::Failed;
        break;
    }
    return a;
}

SendHandle *ReminderListEdit::sendNow(BoxSender *sender, ReminderListKind list, const ReminderFields &fields,
                                      const QDateTime &now)
{
    const ReminderRecord record(list, fields.recordText(list));
    ReminderSchedule::Lists only;
    only[int(list)].append(record);
    const QList<DueReminder> due = ReminderSchedule::next(only, now, 1);
    const ReminderMessage message = ReminderMessage::compose(record, due.isEmpty() ? now : due.first().at);
    MessageOrigin origin{MessageSource::Reminder, message.box, message.panelText, now, 0};
    return sender->send(message.box, message.message, origin);
}

SendHandle *ReminderListEdit::sendLine(BoxSender *sender, const QDir &folder, ReminderListKind list, int line,
                                       const QString &version, const BoxList &boxes, const QDateTime &now,
                                       Answer *refused)
{
    const ReminderListDocument doc = ReminderListDocument::load(folder, list);
    refused->version = doc.version();
    if (version != doc.version()) {
        refused->result = Result::Stale;
        refused->reason = staleReason(list);
        return nullptr;
    }
    if (line < 1 || line > doc.lineCount()) {
        refused->result = Result::NoSuchLine;
        refused->reason = noSuchLine(line);
        return nullptr;
    }
    const std::optional<ReminderFields> fields = doc.rows(boxes, now).at(line - 1).fields;
    if (!fields) {
        refused->result = Result::Refused;
        refused->reason = QStringLiteral("in Zeile %1 steht keine Erinnerung").arg(line);
        return nullptr;
    }
    return sendNow(sender, list, *fields, now);
}
