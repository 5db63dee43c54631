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
        head = QStringLiteral("Es ist ") + keys.hourMinute + QStringLiteral(" Uhr!");
        break;
    case ReminderListKind::Weekly:
        head = QStringLiteral("Es ist ") + keys.weekdayName + QLatin1Char(' ') + keys.hourMinute
            + QStringLiteral(" Uhr!");
        break;
    case ReminderListKind::Dated:
        head = QStringLiteral("Es ist der ") + keys.dateKey + QLatin1Char(' ') + keys.hourMinute
            + QStringLiteral(" Uhr !");
        break;
    }
    m.message = {record.kind(), head + rule() + event + QStringLiteral(" Uhr ") + withLineBreaks(text)};
    m.box = record.box();
    // The panel and the record show the text as the box does: "%0A" is a
    // line break there too.
    m.panelText = event + QLatin1Char(' ') + withLineBreaks(text);
    return m;
}
