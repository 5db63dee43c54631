#include "CheckJsonReport.h"

#include "boxes/ProtocolChoice.h"
#include "check/FolderCheck.h"
#include "common/ZelvoSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString statusName(TextFile::Status s)
{
    switch (s) {
    case TextFile::Status::Ok:
        return QStringLiteral("ok");
    case TextFile::Status::Missing:
        return QStringLiteral("missing");
    case TextFile::Status::Unreadable:
        break;
    }
    return QStringLiteral("unreadable");
}

// Local time with its offset, so both passes of the repeated autumn hour
// can be told apart.
QString isoWithOffset(const QDateTime &t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

QByteArray line(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

QByteArray CheckJsonReport::of(const FolderCheck &c)
{
    QByteArray out;
    if (!c.folderError.isEmpty()) {
        out += line({{QStringLiteral("type"), QStringLiteral("folder")},
                     {QStringLiteral("path"), c.folderPath},
                     {QStringLiteral("status"), QStringLiteral("unreadable")},
                     {QStringLiteral("error"), c.folderError}});
    } else {
        QJsonArray addresses;
        for (const QString &a : c.boxes.boxes.addresses)
            addresses.append(a);
        QJsonArray neverContacted;
        for (int b = 1; b <= BoxList::kBoxes; ++b) {
            if (!c.addressRefusals[b - 1].isEmpty())
                neverContacted.append(QJsonObject{{QStringLiteral("box"), b},
                                                  {QStringLiteral("address"), c.boxes.boxes.address(b)},
                                                  {QStringLiteral("reason"), c.addressRefusals[b - 1]}});
        }
        out += line({{QStringLiteral("type"), QStringLiteral("file")},
                     {QStringLiteral("file"), BoxListFile::kFileName},
                     {QStringLiteral("status"), statusName(c.boxes.status)},
                     {QStringLiteral("error"), c.boxes.error},
                     {QStringLiteral("addresses"), addresses},
                     {QStringLiteral("neverContacted"), neverContacted}});
        if (!c.settingsWarnings.isEmpty())
            out += line({{QStringLiteral("type"), QStringLiteral("file")},
                         {QStringLiteral("file"), ZelvoSettings::kFileName},
                         {QStringLiteral("warnings"), QJsonArray::fromStringList(c.settingsWarnings)}});
        for (const ReminderListCheck &l : c.lists) {
            const QString name = ReminderLayout::fileName(l.list);
            out += line({{QStringLiteral("type"), QStringLiteral("file")},
                         {QStringLiteral("file"), name},
                         {QStringLiteral("status"), statusName(l.file.status)},
                         {QStringLiteral("error"), l.file.error},
                         {QStringLiteral("lines"), l.lines},
                         {QStringLiteral("warnings"), QJsonArray::fromStringList(l.file.warnings)},
                         {QStringLiteral("misnamedAs"), l.misnamedAs},
                         {QStringLiteral("neverFiring"), l.neverFiring},
                         {QStringLiteral("hints"), l.hints}});
            for (const CheckFinding &f : l.findings)
                out += line({{QStringLiteral("type"), QStringLiteral("finding")},
                             {QStringLiteral("file"), name},
                             {QStringLiteral("line"), f.line},
                             {QStringLiteral("column"), f.column},
                             {QStringLiteral("severity"), f.neverFires() ? QStringLiteral("never") : QStringLiteral("hint")},
                             {QStringLiteral("code"), f.code},
                             {QStringLiteral("message"), f.text()}});
        }
        for (const DueReminder &d : c.due) {
            const QString address = c.boxes.boxes.address(d.reminder.box).trimmed();
            const ProtocolChoice protocols;
            const BoxProtocol &box = protocols.unasked();
            const MessageRequest request = box.preview(d.reminder.message, BoxProtocol::Assumed::Current);
            out += line({{QStringLiteral("type"), QStringLiteral("due")},
                         {QStringLiteral("at"), isoWithOffset(d.at)},
                         {QStringLiteral("date"), d.at.toString(QStringLiteral("dd.MM.yyyy"))},
                         {QStringLiteral("time"), d.at.toString(QStringLiteral("HH:mm:ss"))},
                         {QStringLiteral("list"), ReminderLayout::fileName(d.list)},
                         {QStringLiteral("line"), d.record.line()},
                         {QStringLiteral("box"), d.reminder.box},
                         {QStringLiteral("address"), address},
                         {QStringLiteral("configured"), c.boxes.boxes.namesAddress(d.reminder.box)},
                         {QStringLiteral("kind"),
                          d.reminder.message.kind == MessageKind::Popup ? QStringLiteral("popup") : QStringLiteral("message")},
                         {QStringLiteral("document"), box.readable(d.reminder.message)},
                         {QStringLiteral("text"), box.shownText(request.get)}});
        }
    }
    out += line({{QStringLiteral("type"), QStringLiteral("summary")},
                 {QStringLiteral("folder"), c.folderPath},
                 {QStringLiteral("now"), c.now.isValid() ? isoWithOffset(c.now) : QString()},
                 {QStringLiteral("neverFiring"), c.neverFiring()},
                 {QStringLiteral("hints"), c.hints()},
                 {QStringLiteral("noBoxConfigured"), c.noBoxConfigured()},
                 {QStringLiteral("unreadable"), c.anyUnreadable()},
                 {QStringLiteral("status"), int(c.status())}});
    return out;
}
