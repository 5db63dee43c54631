#pragma once

#include "common/TextFile.h"
#include "reminders/ReminderRecord.h"

#include <QDir>
#include <QList>
#include <QString>

// The one reader of the three reminder lists: the whole file through
// TextFile and the field reader, one record per field, in file order.
//
// A missing list is an empty list. A list that cannot be read (a folder, a
// file larger than TextFile::kMaxBytes, no permission) is an empty list too,
// and a warning under zelvo.reminders names the file and the reason.
//
//     const auto list = ReminderListFile::read(folder, ReminderListKind::Dated);
//     for (const ReminderRecord &r : list.records)
//         if (r.firesAt(when))
//             send(ReminderMessage::compose(r, when));
class ReminderListFile
{
public:
    struct ReadResult {
        QList<ReminderRecord> records;
        TextFile::Status status = TextFile::Status::Missing;
        QString path;  // the file that was read
        QString error; // why it could not be read
    };

    static ReadResult read(const QDir &folder, ReminderListKind list);
    static QList<ReminderRecord> parse(const QString &text, ReminderListKind list);
};
