#include "reminders/ReminderMessage.h"

#include "reminders/ReminderRecord.h"

namespace {

// A line break, a rule of 62 hyphens, two line breaks.
QString rule()
{
    return QLatin1Char('\n') + QString(62, QLatin1Char('-')) + QStringLiteral("\n\n");
}

// Lists written for the old program mark a line break as "%0A"; any
// other '%' in a list is just a percent sign.
QString withLineBreaks(QString text)
{
    return text.replace(QStringLiteral("%0A"), QStringLiteral("\n"), Qt::CaseInsensitive);
}

} // namespace

ReminderMessage ReminderMessage::compose(const ReminderRecord &record, const ReminderKeys &keys)
{
    ReminderMessage m;
    const QString text = record.text();
    const QString event = record.eventTime().toString();

    QString head;
    switch (record.list()) {
    case ReminderListKind::Daily:
        m.dueWords = keys.hourMinute + QStringLiteral(" Uhr");
        head = QStringLiteral("Es ist ") + m.dueWords + QLatin1Char('!');
        break;
    case ReminderListKind::Weekly:
        m.dueWords = keys.weekdayName + QLatin1Char(' ') + keys.hourMinute + QStringLiteral(" Uhr");
        head = QStringLiteral("Es ist ") + m.dueWords + QLatin1Char('!');
        break;
    case ReminderListKind::Dated:
        m.dueWords = QStringLiteral("am ") + keys.dateKey + QLatin1Char(' ') + keys.hourMinute + QStringLiteral(" Uhr");
        head = QStringLiteral("Es ist der ") + keys.dateKey + QLatin1Char(' ') + keys.hourMinute
            + QStringLiteral(" Uhr !");
        break;
    }
    m.message = {record.kind(), head + rule() + event + QStringLiteral(" Uhr ") + withLineBreaks(text),
                 record.confirms()};
    m.box = record.box();
    // The panel and the record show the text as the box does: "%0A" is a
    // line break there too.
    m.panelText = event + QLatin1Char(' ') + withLineBreaks(text);
    return m;
}

Message ReminderMessage::late(const Message &message, const MessageOrigin &origin, HoldReason reason)
{
    if (origin.dueWords.isEmpty())
        return message;
    // The first line is the one compose() made of the due time.
    const int end = message.text.indexOf(QLatin1Char('\n'));
    const QString why = reason == HoldReason::BoxInStandby ? QStringLiteral("die Box war im Standby")
                                                           : QStringLiteral("die Box war aus");
    Message late = message;
    late.text = QStringLiteral("Fällig war ") + origin.dueWords + QStringLiteral(" – zurückgehalten, ") + why
                + (end < 0 ? QString() : message.text.mid(end));
    return late;
}
