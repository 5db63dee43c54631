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
// and a warning under zelvo.reminders names the file and the reason. A list
// that is read but does not look like one written in a text editor (control
// characters or NUL bytes, a double quote closed only on a later line, a
// record of thousands of characters, many megabytes) is used as it is, with a warning naming the file and the first
// such line; its records match as usual, so nothing fires that does not
// match.
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
        QStringList warnings; // German, each naming the file; also logged
    };

    // Beyond these a list is still read, but warned about.
    static constexpr int kLongRecordChars = 4096;
    static constexpr qint64 kLargeListChars = 4 * 1024 * 1024;

    static ReadResult read(const QDir &folder, ReminderListKind list);
    static QList<ReminderRecord> parse(const QString &text, ReminderListKind list);
    // What is odd about a list's text, one German sentence each, naming path.
    static QStringList oddities(const QString &path, const QString &text, const QList<ReminderRecord> &records);
};
