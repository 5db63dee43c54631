#pragma once

#include "boxes/Message.h"
#include "reminders/ReminderLayout.h"

#include <QJsonObject>
#include <QString>

#include <optional>

class ReminderRecord;

// One reminder as the editor shows and writes it: every field in the form
// its list holds it, so that a record read and written again is the same.
//
// The dated list has no gap between box digit and text; there the blank
// usually written behind the digit is not part of text, and the editor
// writes it back.
struct ReminderFields {
    QString day;     // weekly: "mo".."so", "mf", "ss"
    QString date;    // dated: "24-12-2026"
    QString trigger; // "07:25"; in the dated list also "??:25"
    QString event;   // five characters, a clock time by convention
    MessageKind kind = MessageKind::Message;
    int box = 1;     // 1..4
    QString text;    // the whole text, before the cut at 52 characters

    bool operator==(const ReminderFields &o) const
    {
        return day == o.day && date == o.date && trigger == o.trigger && event == o.event && kind == o.kind
            && box == o.box && text == o.text;
    }

    // The fields of a record, or nothing when its keys are not in a form
    // the editor's controls can show (a wrong trigger, day code or date,
    // too short): such a line is shown as it is.
    static std::optional<ReminderFields> of(const ReminderRecord &record);

    // Why these fields cannot be written into list, in German; empty when
    // they can.
    QString refusal(ReminderListKind list) const;

    // The record text (without quotes) for list, written over old, the
    // record as it stood: old's characters at the positions the reader
    // never looks at stay, and so do a kind flag or box digit that mean
    // what the fields say ("m" or "x" for a message, "1" or a blank for
    // box 1). A new record gets blanks, "m" and the box's digit.
    QString recordText(ReminderListKind list, const QString &old = QString()) const;

    // {"trigger":"07:25","event":"07:30","kind":"popup"|"message","box":2,
    //  "text":"…"} with "day" (weekly) or "date":"YYYY-MM-DD" (dated).
    QJsonObject toJson(ReminderListKind list) const;
    // Nothing, and error in German, when a field is missing or of the wrong type.
    static std::optional<ReminderFields> fromJson(ReminderListKind list, const QJsonObject &json, QString *error);
};
