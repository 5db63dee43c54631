#include "listedit/ReminderListDocument.h"

#include "check/RecordCheck.h"
#include "common/AtomicFile.h"
#include "common/Windows1252.h"
#include "reminders/ReminderListFile.h"
#include "reminders/ReminderRecord.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace {

// Line ends inside a record (of a double quote closed on a later line).
int lineEndsIn(const QString &s)
{
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) == QLatin1Char('\r') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('\n'))
            ++i;
        if (s.at(i) == QLatin1Char('\r') || s.at(i) == QLatin1Char('\n'))
            ++n;
    }
    return n;
}

// The record as the editor reads the line: the first record on it with the
// rest of an unquoted line, commas and all, since the editor writes it whole.
ReminderRecord wholeRecord(const QString &line, const ReminderRecord &first)
{
    if (first.quoted())
        return ReminderRecord(first.list(), first.record());
    return ReminderRecord(first.list(), line.mid(first.column() - 1));
}

void sortFindings(ReminderListDocument::Row &row, const QList<CheckFinding> &findings, bool first)
{
    QStringList never;
    for (const CheckFinding &f : findings) {
        if (first && f.neverFires())
            never << f.what;
        else
            row.hints << QStringLiteral("Hinweis: ") + f.what;
    }
    row.findings += findings;
    if (first) {
        row.fires = never.isEmpty();
        if (!never.isEmpty())
            row.reason = QStringLiteral("wird nie gesendet: ") + never.join(QStringLiteral("; "));
    }
}

} // namespace

QString ReminderListDocument::versionOf(TextFile::Status status, const QByteArray &bytes)
{
    if (status == TextFile::Status::Missing)
        return QStringLiteral("0");
    if (status == TextFile::Status::Unreadable)
        return QStringLiteral("-");
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(24));
}

ReminderListDocument ReminderListDocument::load(const QDir &folder, ReminderListKind list)
{
    ReminderListDocument d;
    d.m_list = list;
    d.m_path = folder.filePath(ReminderLayout::fileName(list));
    QByteArray bytes;
    // Read as the clock reads it, limits and all.
    const ReminderListFile::ReadResult read = ReminderListFile::fromFile(d.m_path, TextFile::read(d.m_path, &bytes), list);
    d.m_status = read.status;
    d.m_error = read.error;
    d.m_version = versionOf(d.m_status, bytes);
    if (d.m_status != TextFile::Status::Ok)
        return d;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        qsizetype next = end;
        if (next < bytes.size())
            next += bytes.at(next) == '\r' && next + 1 < bytes.size() && bytes.at(next + 1) == '\n' ? 2 : 1;
        Line line;
        line.content = bytes.mid(start, end - start);
        line.end = bytes.mid(end, next - end);
        line.text = TextFile::decode(line.content);
        d.m_lines.append(line);
        start = next;
    }
    return d;
}

QString ReminderListDocument::versionOnDisk(const QDir &folder, ReminderListKind list)
{
    QByteArray bytes;
    const TextFile::Result file = TextFile::read(folder.filePath(ReminderLayout::fileName(list)), &bytes);
    return versionOf(file.status, bytes);
}

QString ReminderListDocument::decodedText() const
{
    QString text;
    for (const Line &l : m_lines)
        text += l.text + QString::fromLatin1(l.end);
    return text;
}

QList<ReminderListDocument::Row> ReminderListDocument::rows(const BoxList &boxes, const QDateTime &now) const
{
    QList<Row> out(m_lines.size());
    for (int i = 0; i < m_lines.size(); ++i) {
        out[i].line = i + 1;
        out[i].raw = m_lines.at(i).text;
        out[i].editable = true;
    }
    const QList<ReminderRecord> records = ReminderListFile::parse(decodedText(), m_list);
    int lastLine = 0;
    for (const ReminderRecord &r : records) {
        if (r.line() < 1 || r.line() > out.size())
            continue;
        Row &row = out[r.line() - 1];
        const bool first = r.line() != lastLine;
        lastLine = r.line();
        sortFindings(row, RecordCheck::check(r, boxes, now), first);
        const int spans = lineEndsIn(r.record());
        if (spans > 0) {
            row.editable = false;
            row.fires = false; // shown as it is, whatever it does
            row.reason = QStringLiteral("das Anführungszeichen wird erst in Zeile %1 geschlossen").arg(r.line() + spans);
            for (int l = r.line() + 1; l <= r.line() + spans && l <= out.size(); ++l) {
                out[l - 1].editable = false;
                out[l - 1].reason = QStringLiteral("gehört zum Eintrag aus Zeile %1").arg(r.line());
            }
            lastLine = r.line() + spans;
        } else if (first) {
            row.fields = ReminderFields::of(wholeRecord(row.raw, r));
        }
    }
    for (Row &row : out) {
        if (row.fields || !row.reason.isEmpty())
            continue;
        if (row.fires) {
            // Sent, but with something in it the controls cannot show (a control character).
            row.editable = false;
            row.hints << QStringLiteral("Hinweis: die Zeile lässt sich hier nicht bearbeiten, bitte im Texteditor ändern");
        } else if (row.findings.isEmpty() && row.raw.trimmed().isEmpty()) {
            row.reason = QStringLiteral("leere Zeile");
        } else {
            row.reason = QStringLiteral("keine Erinnerung, die der Editor zeigen kann");
        }
    }
    return out;
}

ReminderListDocument::Row ReminderListDocument::check(ReminderListKind list, const ReminderFields &fields,
                                                      const BoxList &boxes, const QDateTime &now)
{
    Row row;
    row.fields = fields;
    const QString refusal = fields.refusal(list);
    if (!refusal.isEmpty()) {
        row.reason = refusal;
        return row;
    }
    sortFindings(row, RecordCheck::check(ReminderRecord(list, fields.recordText(list)), boxes, now), true);
    return row;
}

QByteArray ReminderListDocument::lineEnd() const
{
    for (const Line &l : m_lines)
        if (!l.end.isEmpty())
            return l.end;
    return QByteArrayLiteral("\r\n");
}

ReminderListDocument::Line ReminderListDocument::encodeLine(const QString &text) const
{
    Line l;
    l.text = text;
    // Windows-1252 only when it reads back as the same text: "Ã¼" in it
    // would be valid UTF-8 and read as "ü".
    const QByteArray old = Windows1252::encode(text);
    l.content = Windows1252::decode(old) == text && TextFile::decode(old) == text ? old : text.toUtf8();
    l.end = lineEnd();
    return l;
}

QString ReminderListDocument::written(int line, const ReminderFields &fields) const
{
    QString old, prefix, suffix;
    bool quoted = false;
    if (line >= 1 && line <= m_lines.size()) {
        const QString &text = m_lines.at(line - 1).text;
        const QList<ReminderRecord> records = ReminderListFile::parse(text, m_list);
        // Only a line whose fields line up keeps its unexamined positions.
        if (!records.isEmpty() && ReminderFields::of(wholeRecord(text, records.first()))) {
            const ReminderRecord &r = records.first();
            prefix = text.left(r.column() - 1); // indentation and an opening quote
            quoted = r.quoted();
            if (quoted) {
                old = r.record();
                suffix = text.mid(r.column() - 1 + r.record().size());
                if (!suffix.startsWith(QLatin1Char('"')))
                    suffix.prepend(QLatin1Char('"'));
            } else {
                old = text.mid(r.column() - 1);
            }
        }
    }
    const QString record = fields.recordText(m_list, old);
    if (quoted && record.contains(QLatin1Char('"'))) {
        prefix.chop(1);
        suffix.clear();
        quoted = false;
    }
    if (!quoted && record.contains(QLatin1Char(','))) {
        prefix += QLatin1Char('"');
        suffix = QStringLiteral("\"");
    }
    return prefix + record + suffix;
}

QString ReminderListDocument::editRefusal(int line) const
{
    if (m_status == TextFile::Status::Unreadable)
        return QStringLiteral("%1 %2").arg(ReminderLayout::fileName(m_list), m_error);
    if (line < 1 || line > m_lines.size())
        return QStringLiteral("Zeile %1 gibt es nicht").arg(line);
    return QString();
}

QString ReminderListDocument::multiLine(int line)
{
    return QStringLiteral("Zeile %1 gehört zu einem Eintrag über mehrere Zeilen; bitte im Texteditor ändern").arg(line);
}

QString ReminderListDocument::insert(int line, const ReminderFields &fields)
{
    if (m_status == TextFile::Status::Unreadable || line != m_lines.size() + 1) {
        const QString why = editRefusal(line);
        if (!why.isEmpty())
            return why;
    }
    const QString refusal = fields.refusal(m_list);
    if (!refusal.isEmpty())
        return refusal;
    const Line added = encodeLine(written(0, fields));
    if (bytes().size() + added.content.size() + added.end.size() > TextFile::kMaxBytes)
        return QStringLiteral("die Liste wäre größer als %1 MB").arg(TextFile::kMaxBytes / (1024 * 1024));
    const QList<Line> before = m_lines;
    // A last line without a line end gets one before a line follows it.
    if (line > 1 && m_lines.at(line - 2).end.isEmpty())
        m_lines[line - 2].end = lineEnd();
    m_lines.insert(line - 1, added);
    return kept(line, fields, before);
}

QString ReminderListDocument::kept(int line, const ReminderFields &fields, const QList<Line> &before)
{
    // What the editor writes is read as it shows it, or not written at all
    // (a double quote left open above would swallow the line).
    const Row row = rows(BoxList(), QDateTime()).at(line - 1);
    if (!row.fields || row.fields->recordText(m_list) != fields.recordText(m_list)) {
        m_lines = before;
        return QStringLiteral("Zeile %1 würde anders gelesen, als sie geschrieben wird (ein Anführungszeichen weiter "
                              "oben ist nicht geschlossen); bitte im Texteditor ändern")
            .arg(line);
    }
    m_modified = true;
    return QString();
}

QString ReminderListDocument::change(int line, const ReminderFields &fields)
{
    QString why = editRefusal(line);
    if (why.isEmpty() && !rows(BoxList(), QDateTime()).at(line - 1).editable)
        why = multiLine(line);
    if (why.isEmpty())
        why = fields.refusal(m_list);
    if (!why.isEmpty())
        return why;
    const QList<Line> before = m_lines;
    const QByteArray end = m_lines.at(line - 1).end;
    m_lines[line - 1] = encodeLine(written(line, fields));
    m_lines[line - 1].end = end;
    return kept(line, fields, before);
}

QString ReminderListDocument::remove(int line)
{
    QString why = editRefusal(line);
    // Taking one line out of a record over several would change the others.
    if (why.isEmpty() && !rows(BoxList(), QDateTime()).at(line - 1).editable)
        why = multiLine(line);
    if (!why.isEmpty())
        return why;
    m_lines.removeAt(line - 1);
    m_modified = true;
    return QString();
}

QByteArray ReminderListDocument::bytes() const
{
    QByteArray out;
    for (const Line &l : m_lines)
        out += l.content + l.end;
    return out;
}

ReminderListDocument::SaveOutcome ReminderListDocument::save(QString *currentVersion, QString *error)
{
    const QString onDisk = versionOnDisk(QFileInfo(m_path).dir(), m_list);
    *currentVersion = onDisk;
    if (onDisk != m_version)
        return SaveOutcome::Stale;
    if (m_status == TextFile::Status::Unreadable) {
        *error = m_error;
        return SaveOutcome::Failed;
    }
    const QByteArray out = bytes();
    const QString why = AtomicFile::write(m_path, out);
    if (!why.isEmpty()) {
        *error = why;
        return SaveOutcome::Failed;
    }
    m_status = TextFile::Status::Ok;
    m_version = versionOf(m_status, out);
    m_modified = false;
    *currentVersion = m_version;
    return SaveOutcome::Saved;
}
