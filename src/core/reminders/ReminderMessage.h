#pragma once

#include "boxes/MessageKind.h"
#include "reminders/ReminderKeys.h"

#include <QDateTime>
#include <QString>

class ReminderRecord;

// What one firing record becomes: the message text by its list's template,
// the request document (kind prefix and message text), the box it goes to
// and the text of the information panel. Pure; nothing is escaped here,
// encoding for the wire belongs to the transport.
//
//   daily:  "Es ist 07:25 Uhr!%0A<62 hyphens>%0A%0A07:30 Uhr Muell rausbringen"
//   weekly: "Es ist Sonntag 08:00 Uhr!%0A<62 hyphens>%0A%0A<event> Uhr <text>"
//   dated:  "Es ist der 24-12-2026 18:00 Uhr !%0A<62 hyphens>%0A%0A<event> Uhr <text>"
//   panel:  "07:30 Muell rausbringen"
struct ReminderMessage {
    QString text;
    QString document;
    QString panelText;
    MessageKind kind = MessageKind::Message;
    int box = 1;

    static ReminderMessage compose(const ReminderRecord &record, const ReminderKeys &keys);
    static ReminderMessage compose(const ReminderRecord &record, const QDateTime &localTime)
    {
        return compose(record, ReminderKeys::at(localTime));
    }
};
