#pragma once

#include "boxes/BoxList.h"
#include "check/CheckFinding.h"
#include "reminders/ReminderRecord.h"

#include <QDateTime>
#include <QList>

// What is wrong with one record of a reminder list, read from the very
// positions the reminder clock reads (ReminderRecord).
//
// A record that can never fire gets only the findings that say why (a
// trigger, day code or date the clock never matches, too short, a tab
// inside a key field, a dated record whose moment has passed or does not
// exist). Hints (text cut at 52 characters, kind flag "P", a box digit that
// is no box, a box that boxip.ini does not configure, a comma that ends the
// record early, a harmless tab) are given only for records that fire, as
// they describe how the record is sent. An empty line is no record: nothing
// to say about it.
class RecordCheck
{
public:
    // boxes: the box list the record's box is looked up in. now: local time
    // from which on the record must still fire; invalid to skip that test.
    static QList<CheckFinding> check(const ReminderRecord &record, const BoxList &boxes, const QDateTime &now);
};
