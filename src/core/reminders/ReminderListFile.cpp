#include "reminders/ReminderListFile.h"

#include "common/FieldReader.h"
#include "common/Logging.h"

#include <algorithm>

namespace {

// "Zeile 3" or "Zeilen 3, 7, 9 und 4 weitere".
QString lineList(const QList<int> &lines)
{
    QStringList named;
    for (int i = 0; i < lines.size() && i < ReminderListFile::kMaxNamedLines; ++i)
        named << QString::number(lines.at(i));
    QString out = (lines.size() == 1 ? QStringLiteral("Zeile ") : QStringLiteral("Zeilen "))
        + named.join(QStringLiteral(", "));
    if (lines.size() > ReminderListFile::kMaxNamedLines)
        out += QStringLiteral(" und %1 weitere").arg(lines.size() - ReminderListFile::kMaxNamedLines);
    return out;
}

bool isControl(const ReminderRecord &r, QChar c)
{
    const bool lineEndInQuotes = r.quoted() && (c == QLatin1Char('\n') || c == QLatin1Char('\r'));
    const ushort u = c.unicode();
    return (u < 0x20 && c != QLatin1Char('\t') && !lineEndInQuotes) || u == 0x7F || (u >= 0x80 && u <= 0x9F);
}

} // namespace

ReminderListFile::ReadResult ReminderListFile::read(const QDir &folder, ReminderListKind list)
{
    const QString path = folder.filePath(ReminderLayout::fileName(list));
    return fromFile(path, TextFile::read(path), list);
}

ReminderListFile::ReadResult ReminderListFile::fromFile(const QString &path, const TextFile::Result &file,
                                                        ReminderListKind list)
{
    ReadResult r;
    r.path = path;
    r.status = file.status;
    r.error = file.error;
    r.identity = file.identity;
    r.windows1252Lines = file.windows1252Lines;
    if (file.status == TextFile::Status::Ok) {
        r.records = parse(file.text, list);
        if (r.records.size() > kMaxRecords) {
            r.records.clear();
            r.status = TextFile::Status::Unreadable;
            r.error = QStringLiteral("hat mehr als %1 Einträge: keine Erinnerungsliste").arg(kMaxRecords);
            return r;
        }
        r.warnings = oddities(r.path, file.text, r.records, file.windows1252Lines);
    }
    return r;
}

QList<ReminderRecord> ReminderListFile::parse(const QString &text, ReminderListKind list)
{
    QList<ReminderRecord> records;
    FieldReader reader(text);
    bool continuesLine = false;
    while (!reader.atEnd() && records.size() <= kMaxRecords) {
        const FieldReader::Field field = reader.next();
        if (!field.text.isEmpty())
            records.append(ReminderRecord(list, field, continuesLine));
        continuesLine = field.endedAtComma;
    }
    return records;
}

QStringList ReminderListFile::oddities(const QString &path, const QString &text, const QList<ReminderRecord> &records,
                                       const QList<int> &windows1252Lines)
{
    QStringList found;
    if (text.size() > kLargeListChars)
        found << QStringLiteral("%1 ist ungewöhnlich groß (%2 Zeichen)").arg(path).arg(text.size());

    if (!windows1252Lines.isEmpty())
        found << QStringLiteral("%1 %2: kein gültiges UTF-8, als Windows-1252 gelesen")
                     .arg(path, lineList(windows1252Lines));

    // One warning per line with control characters, naming the first.
    int lastLine = 0;
    int moreLines = 0;
    int named = 0;
    for (const ReminderRecord &r : records) {
        const QString &rec = r.record();
        const auto control = std::find_if(rec.cbegin(), rec.cend(), [&r](QChar c) { return isControl(r, c); });
        if (control == rec.cend() || r.line() == lastLine)
            continue;
        lastLine = r.line();
        if (named == kMaxNamedLines) {
            ++moreLines;
            continue;
        }
        ++named;
        found << QStringLiteral("%1 Zeile %2 enthält Steuerzeichen (Code %3): keine Textdatei? Steuerzeichen "
                                "werden nicht gesendet")
                     .arg(path)
                     .arg(r.line())
                     .arg(control->unicode());
    }
    if (moreLines > 0)
        found << QStringLiteral("%1: %2 weitere Zeilen enthalten Steuerzeichen").arg(path).arg(moreLines);
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
