#pragma once

#include "boxes/Delivery.h"
#include "boxes/HeldMessage.h"
#include "boxes/Message.h"
#include "reminders/ReminderKeys.h"

#include <QDateTime>
#include <QString>

class ReminderRecord;

// What one firing record becomes: the message (its kind, and the text by
// its list's template), the box it goes to and the text of the information
// panel. Pure; nothing is escaped here, encoding for the wire belongs to the
// transport. Line breaks are real ones ("\n" below); a "%0A" (or "%0a") in a
// list's text becomes one in the message, the panel keeps it as written:
//
//   daily:  "Es ist 07:25 Uhr!\n<62 hyphens>\n\n07:30 Uhr Muell rausbringen"
//   weekly: "Es ist Sonntag 08:00 Uhr!\n<62 hyphens>\n\n<event> Uhr <text>"
//   dated:  "Es ist der 24-12-2026 18:00 Uhr !\n<62 hyphens>\n\n<event> Uhr <text>"
//   panel:  "07:30 Muell rausbringen"
struct ReminderMessage {
    Message message;
    QString panelText;
    int box = 1;
    // When it was due, as the late wording says it: "07:25 Uhr",
    // "Sonntag 08:00 Uhr", "am 24-12-2026 18:00 Uhr".
    QString dueWords;

    static ReminderMessage compose(const ReminderRecord &record, const ReminderKeys &keys);
    static ReminderMessage compose(const ReminderRecord &record, const QDateTime &localTime)
    {
        return compose(record, ReminderKeys::at(localTime));
    }

    // A reminder held past its time: its first line says when it was due
    // (the origin's dueWords) and why it comes late, the rest stays
    // ("Fällig war 07:25 Uhr – zurückgehalten, die Box war im Standby"). A
    // message without due words stays as it is.
    static Message late(const Message &message, const MessageOrigin &origin, HoldReason reason);
};
