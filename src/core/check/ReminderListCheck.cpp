#include "check/ReminderListCheck.h"

#include "check/RecordCheck.h"

ReminderListCheck ReminderListCheck::run(const ReminderListFile::ReadResult &file, ReminderListKind list,
                                         const BoxList &boxes, const QDateTime &now)
{
    ReminderListCheck c;
    c.list = list;
    c.file = file;
    int lastLine = 0;
    int lastNeverLine = 0;
    for (const ReminderRecord &record : file.records) {
        if (!record.record().isEmpty() && record.line() != lastLine) {
            ++c.lines;
            lastLine = record.line();
        }
        const QList<CheckFinding> found = RecordCheck::check(record, boxes, now);
        for (const CheckFinding &f : found) {
            if (!f.neverFires())
                ++c.hints;
            else if (f.line != lastNeverLine) {
                ++c.neverFiring;
                lastNeverLine = f.line;
            }
        }
        c.findings += found;
    }
    return c;
}
