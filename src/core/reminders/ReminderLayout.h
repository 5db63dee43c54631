#pragma once

#include <bitset>

#include <QString>

#include <optional>

// The three reminder lists and where each field of a record stands.
enum class ReminderListKind { Daily, Weekly, Dated };

// Positions are counted from 1, as a user counts them in a text editor;
// 0 means the list has no such field. Positions between fields are never
// looked at.
struct ReminderLayout {
    // Field widths.
    static constexpr int kClockTimeChars = 5; // "HH:mm"
    static constexpr int kDayCodeChars = 2;   // "mo".."so", "mf", "ss"
    static constexpr int kDateChars = 10;     // "dd-MM-yyyy"

    int dayCode;   // weekly: two characters
    int date;      // dated: ten characters, "dd-MM-yyyy"
    int trigger;   // five characters, "HH:mm" (dated also "??:mm")
    int eventTime; // five characters, copied into the message unchecked
    int kindFlag;  // one character, "p" asks for a popup
    int boxDigit;  // one character, "2".."4" name a box, anything else box 1
    int text;      // reminder text: from here to the end of the record

    // A record written shorter than this never fires; one that reaches its
    // box position fires, with an empty text when nothing follows (a blank
    // box digit, dropped as a trailing blank, means box 1).
    int minLengthToFire() const { return boxDigit; }

    static const ReminderLayout &of(ReminderListKind list);

    // "zlv-tag.txt", "zlv-woch.txt", "zlv-term.txt"
    static QString fileName(ReminderListKind list);
    // The second of every minute at which the list is consulted: 0, 20, 40.
    static int checkSecond(ReminderListKind list);
    // The seconds of the minute at which some list is checked.
    static std::bitset<60> checkSeconds();
    // The list consulted at this second of a minute, if any.
    static std::optional<ReminderListKind> listCheckedAt(int second);
};
