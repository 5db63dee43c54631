#pragma once

#include "common/TextFile.h"
#include "reminders/ReminderRecord.h"

#include <QDir>
#include <QList>
#include <QString>

// The one reader of the three reminder lists: the whole file through
// TextFile and the field reader, one record per non-empty field, in file
// order. Empty fields (empty lines) can never fire and are not kept, so a
// file of empty lines costs no memory beyond its text.
//
// A missing list is an empty list. A list that cannot be read (a folder, a
// pipe, a file larger than TextFile::kMaxBytes or of more than kMaxRecords
// records, no permission) is an empty list too, with the German reason in
// error. A list that is read but does not look like one written in a text
// editor (control characters or NUL bytes, lines that are not UTF-8, a
// double quote closed only on a later line, a record of thousands of
// characters, a megabyte and more) is used as it is, with warnings naming
// the file and the lines; its records match as usual, so nothing fires that
// does not match. Reading logs nothing: the app logs once per change of a
// list (ListChangeWarner), zelvo-check shows it in its report.
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
        QStringList warnings; // German, each naming the file
        QList<int> windows1252Lines; // lines that were not UTF-8
        TextFile::Identity identity; // of the file as read
    };

    // Beyond these a list is still read, but warned about.
    static constexpr int kLongRecordChars = 4096;
    static constexpr qint64 kLargeListChars = 1024 * 1024;
    // A list with more records than this is not used (real lists have up to
    // about 10,000; a 2 MB list of the shortest records that can fire has
    // 131,000): a file of that many one-letter lines would cost the user
    // interface too much time and memory at every change.
    static constexpr int kMaxRecords = 150000;
    // Lines named one by one in a warning at most; the rest are counted.
    static constexpr int kMaxNamedLines = 10;

    static ReadResult read(const QDir &folder, ReminderListKind list);
    // The same for a file already read from path.
    static ReadResult fromFile(const QString &path, const TextFile::Result &file, ReminderListKind list);
    // Stops after kMaxRecords + 1 records.
    static QList<ReminderRecord> parse(const QString &text, ReminderListKind list);
    // What is odd about a list's text, one German sentence each, naming path.
    static QStringList oddities(const QString &path, const QString &text, const QList<ReminderRecord> &records,
                                const QList<int> &windows1252Lines = {});
};
