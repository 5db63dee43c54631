#include "reminders/ReminderListFile.h"

#include "common/FieldReader.h"
#include "common/Logging.h"

#include <algorithm>

ReminderListFile::ReadResult ReminderListFile::read(const QDir &folder, ReminderListKind list)
{
    ReadResult r;
    r.path = folder.filePath(ReminderLayout::fileName(list));
    TextFile::Result file = TextFile::read(r.path);
    r.status = file.status;
    r.error = file.error;
    if (file.status == TextFile::Status::Ok) {
        r.records = parse(file.text, list);
        r.warnings = oddities(r.path, file.text, r.records);
        for (const QString &w : std::as_const(r.warnings))
            qCWarning(lcReminders).noquote() << w;
    } else if (file.status == TextFile::Status::Unreadable) {
        qCWarning(lcReminders).noquote() << r.path << "kann nicht gelesen werden:" << file.error;
    }
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

QStringList ReminderListFile::oddities(const QString &path, const QString &text, const QList<ReminderRecord> &records)
{
    QStringList found;
    if (text.size() > kLargeListChars)
        found << QStringLiteral("%1 ist ungewöhnlich groß (%2 Zeichen)").arg(path).arg(text.size());

    for (const ReminderRecord &r : records) {
        const QString &rec = r.record();
        const auto control = std::find_if(rec.cbegin(), rec.cend(), [&r](QChar c) {
            const bool lineEndInQuotes = r.quoted() && (c == QLatin1Char('\n') || c == QLatin1Char('\r'));
            return c.unicode() < 0x20 && c != QLatin1Char('\t') && !lineEndInQuotes;
        });
        if (control != rec.cend()) {
            found << QStringLiteral("%1 Zeile %2 enthält Steuerzeichen (Code %3): keine Textdatei?")
                         .arg(path)
                         .arg(r.line())
                         .arg(control->unicode());
            break;
        }
    }
    // A quote that is never closed swallows every record behind it.
    for (const ReminderRecord &r : records) {
        if (r.quoted() && (r.record().contains(QLatin1Char('\n')) || r.record().contains(QLatin1Char('\r')))) {
            found << QStringLiteral("%1 Zeile %2: das Anführungszeichen wird erst in einer späteren Zeile geschlossen")
                         .arg(path)
                         .arg(r.line());
            break;
        }
    }
    for (const ReminderRecord &r : records) {
        if (r.record().size() > kLongRecordChars) {
            found << QStringLiteral("%1 Zeile %2 ist %3 Zeichen lang").arg(path).arg(r.line()).arg(r.record().size());
            break;
        }
    }
    return found;
}
