#pragma once

#include "boxes/BoxList.h"
#include "check/CheckFinding.h"
#include "common/TextFile.h"
#include "listedit/ReminderFields.h"
#include "reminders/ReminderLayout.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QList>
#include <QString>

#include <optional>

// One reminder list as the editor holds it: the file's lines as bytes, so
// that every line it does not change is written back byte for byte, with
// its line end and its encoding. The file stays the truth: the document is
// read afresh, changed line by line, and saved only over the very state it
// was read from (version()).
//
// A line the editor writes ends like the file's first line (a new file in
// CR LF) and is Windows-1252 when every character fits and reads back the
// same, otherwise UTF-8; the reader takes each line as it is.
class ReminderListDocument
{
public:
    // One line of the file as the editor shows it.
    struct Row {
        int line = 0;     // 1-based
        QString raw;      // the line as read, without its line end
        // The reminder on the line; none when the line holds none the
        // editor's controls can show (empty, too short, broken keys).
        std::optional<ReminderFields> fields;
        bool editable = false; // a line of a record that runs over several lines is not
        bool fires = false;    // some moment to come sends it
        QString reason;        // why not, in German ("wird nie gesendet: …", "leere Zeile")
        QStringList hints;     // how it is sent when not quite as written
        QList<CheckFinding> findings; // the checker's, for every record on the line
    };

    enum class SaveOutcome { Saved, Stale, Failed };

    ReminderListDocument() = default;

    // Reads the list from folder now.
    static ReminderListDocument load(const QDir &folder, ReminderListKind list);
    // The version of the list in folder as it is on disk now.
    static QString versionOnDisk(const QDir &folder, ReminderListKind list);

    ReminderListKind list() const { return m_list; }
    QString path() const { return m_path; }
    TextFile::Status status() const { return m_status; }
    QString error() const { return m_error; } // why it cannot be read
    // Opaque; changes with every change of the file's bytes. "0" for a
    // missing file.
    QString version() const { return m_version; }
    bool modified() const { return m_modified; }
    int lineCount() const { return int(m_lines.size()); }

    // Every line, checked by the checker zelvo-check uses, against boxes and
    // the local time now.
    QList<Row> rows(const BoxList &boxes, const QDateTime &now) const;
    // The check of fields as a record of this list: the never-fires reason
    // ("wird nie gesendet: …", empty when it fires) and the hints.
    static Row check(ReminderListKind list, const ReminderFields &fields, const BoxList &boxes,
                     const QDateTime &now);

    // Edits; each returns why it cannot be done (German), or empty.
    // line 1..lineCount() + 1: the new line stands there.
    QString insert(int line, const ReminderFields &fields);
    QString change(int line, const ReminderFields &fields);
    QString remove(int line);

    // The file as it would be saved.
    QByteArray bytes() const;

    // Writes bytes() through the one atomic write, unless the file changed
    // on disk since it was read (Stale: nothing is written). currentVersion
    // receives the version on disk afterwards; error the reason of Failed.
    SaveOutcome save(QString *currentVersion, QString *error);

private:
    struct Line {
        QByteArray content; // without the line end
        QByteArray end;     // "\r\n", "\n", "\r" or "" for a last line without one
        QString text;       // content decoded
    };

    static QString versionOf(TextFile::Status status, const QByteArray &bytes);
    QByteArray lineEnd() const;
    QString decodedText() const;
    Line encodeLine(const QString &text) const;
    QString written(int line, const ReminderFields &fields) const;
    QString editRefusal(int line) const;
    static QString multiLine(int line);
    // Keeps an edit of line only when the line reads back as fields; else
    // restores before and says why.
    QString kept(int line, const ReminderFields &fields, const QList<Line> &before);

    ReminderListKind m_list = ReminderListKind::Daily;
    QString m_path;
    TextFile::Status m_status = TextFile::Status::Missing;
    QString m_error;
    QString m_version = QStringLiteral("0");
    bool m_modified = false;
    QList<Line> m_lines;
};
