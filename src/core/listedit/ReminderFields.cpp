#include "listedit/ReminderFields.h"

#include "check/TriggerText.h"
#include "reminders/ReminderKeys.h"
#include "reminders/ReminderRecord.h"

#include <QDate>

namespace {

const QString kDateForm = QStringLiteral("dd-MM-yyyy");

bool hasControl(const QString &s)
{
    for (const QChar c : s)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

// Writes value into record from 1-based position on, padding with blanks.
void put(QString &record, int position, const QString &value)
{
    if (position <= 0)
        return;
    const int end = position - 1 + int(value.size());
    if (record.size() < end)
        record += QString(end - record.size(), QLatin1Char(' '));
    record.replace(position - 1, value.size(), value);
}

QString withoutTrailingBlanks(QString s)
{
    while (s.endsWith(QLatin1Char(' ')))
        s.chop(1);
    return s;
}

} // namespace

std::optional<ReminderFields> ReminderFields::of(const ReminderRecord &record)
{
    const ReminderListKind list = record.list();
    const ReminderLayout &layout = record.layout();
    if (!record.longEnough())
        return std::nullopt;
    ReminderFields f;
    f.trigger = record.trigger().toString();
    f.event = record.eventTime().toString();
    if (list == ReminderListKind::Weekly)
        f.day = record.dayCode().toString();
    if (list == ReminderListKind::Dated)
        f.date = record.date().toString();
    f.kind = record.kind();
    f.box = record.box();
    f.text = withoutTrailingBlanks(record.record().mid(layout.text - 1));
    if (list == ReminderListKind::Dated && f.text.startsWith(QLatin1Char(' ')))
        f.text.remove(0, 1);
    if (!f.refusal(list).isEmpty() || f.event.size() != ReminderLayout::kClockTimeChars)
        return std::nullopt;
    return f;
}

QString ReminderFields::refusal(ReminderListKind list) const
{
    if (list == ReminderListKind::Weekly && !ReminderKeys::dayCodes().contains(day))
        return QStringLiteral("Tageskürzel \"%1\" gibt es nicht (erlaubt: %2)")
            .arg(day, ReminderKeys::dayCodes().join(QStringLiteral(", ")));
    if (list == ReminderListKind::Dated && !QDate::fromString(date, kDateForm).isValid())
        return QStringLiteral("Datum \"%1\" muss ein Tag in der Form TT-MM-JJJJ sein").arg(date);
    const bool dated = list == ReminderListKind::Dated;
    if (TriggerText::minuteOfDay(trigger) < 0 && !(dated && TriggerText::everyHourMinute(trigger) >= 0))
        return dated ? QStringLiteral("Uhrzeit \"%1\" muss die Form HH:MM oder ??:MM haben").arg(trigger)
                     : QStringLiteral("Uhrzeit \"%1\" muss die Form HH:MM haben").arg(trigger);
    if (event.size() != ReminderLayout::kClockTimeChars || hasControl(event))
        return QStringLiteral("Termin-Uhrzeit \"%1\" muss fünf Zeichen haben (z. B. 07:30)").arg(event);
    if (box < 1 || box > 4)
        return QStringLiteral("Box %1 gibt es nicht (1 bis 4)").arg(box);
    if (hasControl(text))
        return QStringLiteral("der Text darf keine Zeilenumbrüche oder Steuerzeichen enthalten (ein Zeilenumbruch "
                              "auf dem Bildschirm wird %0A geschrieben)");
    // A comma needs the record in double quotes, and then it must not hold one.
    const QString record = recordText(list);
    if (record.contains(QLatin1Char(',')) && record.contains(QLatin1Char('"')))
        return QStringLiteral("ein Eintrag mit Komma darf kein doppeltes Anführungszeichen enthalten");
    return QString();
}

QString ReminderFields::recordText(ReminderListKind list, const QString &old) const
{
    const ReminderLayout &layout = ReminderLayout::of(list);
    QString record = old.left(layout.text - 1);
    put(record, layout.dayCode, day);
    put(record, layout.date, date);
    put(record, layout.trigger, trigger);
    put(record, layout.eventTime, event);

    const ReminderRecord before(list, old);
    const QChar oldKind = before.kindFlag();
    const bool keepKind = !oldKind.isNull() && before.kind() == kind;
    put(record, layout.kindFlag, keepKind ? QString(oldKind) : QLatin1String(kind == MessageKind::Popup ? "p" : "m"));
    const QChar oldBox = before.boxDigit();
    const bool keepBox = !oldBox.isNull() && before.box() == box;
    put(record, layout.boxDigit, keepBox ? QString(oldBox) : QString::number(box));

    record = record.left(layout.text - 1);
    if (record.size() < layout.text - 1)
        record += QString(layout.text - 1 - record.size(), QLatin1Char(' '));
    if (list == ReminderListKind::Dated)
        record += QLatin1Char(' ');
    return record + withoutTrailingBlanks(text);
}

QJsonObject ReminderFields::toJson(ReminderListKind list) const
{
    QJsonObject o{{QStringLiteral("trigger"), trigger},
                  {QStringLiteral("event"), event},
                  {QStringLiteral("kind"), kind == MessageKind::Popup ? QStringLiteral("popup") : QStringLiteral("message")},
                  {QStringLiteral("box"), box},
                  {QStringLiteral("text"), text}};
    if (list == ReminderListKind::Weekly)
        o.insert(QStringLiteral("day"), day);
    if (list == ReminderListKind::Dated)
        o.insert(QStringLiteral("date"), QDate::fromString(date, kDateForm).toString(Qt::ISODate));
    return o;
}

std::optional<ReminderFields> ReminderFields::fromJson(ReminderListKind list, const QJsonObject &json, QString *error)
{
    QStringList names{QStringLiteral("trigger"), QStringLiteral("event"), QStringLiteral("kind"), QStringLiteral("text")};
    if (list == ReminderListKind::Weekly)
        names << QStringLiteral("day");
    if (list == ReminderListKind::Dated)
        names << QStringLiteral("date");
    for (const QString &name : names) {
        if (!json.value(name).isString()) {
            *error = QStringLiteral("das Feld \"%1\" fehlt oder ist kein Text").arg(name);
            return std::nullopt;
        }
    }
    const QString kind = json.value(QStringLiteral("kind")).toString();
    if (kind != QLatin1String("popup") && kind != QLatin1String("message")) {
        *error = QStringLiteral("\"kind\" muss \"popup\" oder \"message\" sein");
        return std::nullopt;
    }
    if (!json.value(QStringLiteral("box")).isDouble()) {
        *error = QStringLiteral("das Feld \"box\" fehlt oder ist keine Zahl");
        return std::nullopt;
    }
    ReminderFields f;
    f.trigger = json.value(QStringLiteral("trigger")).toString();
    f.event = json.value(QStringLiteral("event")).toString();
    f.kind = kind == QLatin1String("popup") ? MessageKind::Popup : MessageKind::Message;
    f.box = json.value(QStringLiteral("box")).toInt();
    f.text = json.value(QStringLiteral("text")).toString();
    f.day = json.value(QStringLiteral("day")).toString();
    if (list == ReminderListKind::Dated) {
        const QDate date = QDate::fromString(json.value(QStringLiteral("date")).toString(), Qt::ISODate);
        f.date = date.isValid() ? date.toString(kDateForm) : json.value(QStringLiteral("date")).toString();
    }
    return f;
}
