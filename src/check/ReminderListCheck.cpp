#include "check/ReminderListCheck.h"

#include "check/RecordCheck.h"

ReminderListCheck ReminderListCheck::run(const ReminderListFile::ReadResult &file, ReminderListKind list,
                                         const BoxList &boxes, const QDateTime &now)
{
    ReminderListCheck c;
    c.list = list;
    c.file = file;
    for (const ReminderRecord &record : file.records) {
        if (!record.record().isEmpty())
            ++c.records;
        const QList<CheckFinding> found = RecordCheck::check(record, boxes, now);
        bool never = false;
        for (const CheckFinding &f : found) {
            never = never || f.neverFires();
            if (!f.neverFires())
                ++c.hints;
        }
        if (never)
            ++c.neverFiring;
        c.findings += found;
    }
    return c;
}
