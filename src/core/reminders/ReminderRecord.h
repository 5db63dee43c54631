#pragma once

#include "boxes/Message.h"
#include "common/FieldReader.h"
#include "reminders/ReminderKeys.h"
#include "reminders/ReminderLayout.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

// One record of a reminder list: the text of one field as the field reader
// gave it, with every position of the list's layout readable by name.
//
// The parsers are pure: daily(), weekly() and dated() take the record text
// (leading blanks already dropped by the field reader) and never touch a
// file. ReminderListFile reads a whole list into records with their line
// numbers. A field shorter than its position reads as the part that is
// there (possibly empty), so a short record simply never matches. Trailing
// blanks the field reader dropped still count towards the length as
// written: "07:25 07:30 p 2 " reaches its box digit and fires with an empty
// text.
//
//     const ReminderRecord r = ReminderRecord::daily("07:25 07:30 p 2 Muell rausbringen");
//     r.trigger()   == u"07:25"
//     r.eventTime() == u"07:30"
//     r.kind()      == MessageKind::Popup
//     r.box()       == 2
//     r.text()      == "Muell rausbringen"
//     r.firesAt(QDateTime(QDate(2026, 12, 7), QTime(7, 25))) == true
class ReminderRecord
{
public:
    // Only this many characters of the reminder text are used.
    static constexpr int kMaxTextChars = 52;

    ReminderRecord() = default;
    ReminderRecord(ReminderListKind list, const QString &record);
    // A record as the field reader read it from a list file, keeping where
    // it stood; continuesLine is true for the part of a line behind an
    // unquoted comma.
    ReminderRecord(ReminderListKind list, const FieldReader::Field &field, bool continuesLine);

    static ReminderRecord daily(const QString &record);
    static ReminderRecord weekly(const QString &record);
    static ReminderRecord dated(const QString &record);

    ReminderListKind list() const { return m_list; }
    const ReminderLayout &layout() const { return ReminderLayout::of(m_list); }
    const QString &record() const { return m_record; }

    // Where the record stands in its file (0 when parsed from a bare text).
    int line() const { return m_line; }
    // Column of the record's first character on that line (behind leading
    // blanks and an opening quote), so position p stands in column
    // column() + p - 1; 0 when parsed from a bare text.
    int column() const { return m_column; }
    bool quoted() const { return m_quoted; }
    // An unquoted comma ended this record: the rest of its line was read as
    // the next record, and this one lost it.
    bool splitAtComma() const { return m_splitAtComma; }
    // This record is what stood behind an unquoted comma.
    bool continuesLine() const { return m_continuesLine; }

    // The positions of the layout; empty where the list has no such field.
    QStringView dayCode() const;   // weekly, positions 1-2
    QStringView date() const;      // dated, positions 1-10
    QStringView trigger() const;   // "07:25", dated also "??:25"
    QStringView eventTime() const;
    QChar kindFlag() const;        // QChar() when the record ends before it
    QChar boxDigit() const;        // QChar() when the record ends before it

    // "p" (lower case only) asks for a popup, anything else or nothing for a
    // plain message.
    MessageKind kind() const;
    // "b" (lower case only, "bis bestätigt") asks for confirmation: a message
    // that stays until somebody closes it.
    bool confirms() const { return kindFlag() == QLatin1Char('b'); }
    // 2, 3 or 4 when the box digit names that box, else 1.
    int box() const;
    // A dated record with a trigger of "??:" fires in every hour of its date.
    bool hasWildcardTrigger() const;

    // The reminder text cut to its first kMaxTextChars characters (a
    // character outside the Basic Multilingual Plane counts once and is
    // never split).
    QString text() const;
    // Characters of the whole reminder text, before the cut.
    int fullTextLength() const;
    bool textIsCut() const { return fullTextLength() > kMaxTextChars; }

    // Characters as written on the line, trailing blanks included.
    int writtenLength() const { return m_writtenLength; }
    // Long enough to fire: written at least up to the box position.
    bool longEnough() const { return m_writtenLength >= layout().minLengthToFire(); }

    // Does this record fire at the local date and minute of these keys?
    // Every key position must match exactly, case-sensitively.
    bool firesAt(const ReminderKeys &keys) const;
    bool firesAt(const QDateTime &localTime) const { return firesAt(ReminderKeys::at(localTime)); }

private:
    QStringView slice(int position, int length) const;
    QChar charAt(int position) const;

    ReminderListKind m_list = ReminderListKind::Daily;
    QString m_record;
    int m_line = 0;
    int m_column = 0;
    int m_writtenLength = 0;
    bool m_quoted = false;
    bool m_splitAtComma = false;
    bool m_continuesLine = false;
};
