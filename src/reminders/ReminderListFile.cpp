#include "reminders/ReminderListFile.h"

#include "common/FieldReader.h"
#include "common/Logging.h"

ReminderListFile::ReadResult ReminderListFile::read(const QDir &folder, ReminderListKind list)
{
    ReadResult r;
    r.path = folder.filePath(ReminderLayout::fileName(list));
    TextFile::Result file = TextFile::read(r.path);
    r.status = file.status;
    r.error = file.error;
    if (file.status == TextFile::Status::Ok)
        r.records = parse(file.text, list);
    else if (file.status == TextFile::Status::Unreadable)
        qCWarning(lcReminders).noquote() << r.path << "kann nicht gelesen werden:" << file.error;
    return r;
}

QList<ReminderRecord> ReminderListFile::parse(const QString &text, ReminderListKind list)
{
    QList<ReminderRecord> records;
    FieldReader reader(text);
    bool continuesLine = false;
    while (!reader.atEnd()) {
        const FieldReader::Field field = reader.next();
        records.append(ReminderRecord(list, field, continuesLine));
        continuesLine = field.endedAtComma;
    }
    return records;
}
