#pragma once

#include <QList>
#include <QString>

// The one reader of fields for every text file of the program (box list,
// reminder lists, send-text settings).
//
// - The end of the text is tested before each field, so a final line end
//   yields no extra field and an empty text yields none.
// - Blanks and tabs before a field are skipped.
// - A field that begins with a double quote runs to the next double quote;
//   reading then resumes behind the following comma or line end.
// - Any other field runs to the next comma or line end (CR LF, LF or CR),
//   which is consumed; its trailing blanks are dropped.
// - An empty line is one empty field.
class FieldReader
{
public:
    struct Field {
        QString text;
        int line = 0;              // 1-based line on which the field starts
        int column = 0;            // 1-based column of its first character (behind an opening quote)
        bool quoted = false;
        bool endedAtComma = false; // an unquoted comma ended it: the line goes on in the next field
        int droppedBlanks = 0;     // trailing blanks dropped from an unquoted field
    };

    explicit FieldReader(const QString &text);

    bool atEnd() const;
    Field next();

    static QList<Field> readAll(const QString &text);
    static QStringList readAllTexts(const QString &text);

    // The numeric value of a settings field: optional blanks, an optional
    // sign, decimal digits; the value of that prefix, 0 when there is none.
    // Values beyond the range of int are clamped.
    static int numericPrefix(const QString &text);

private:
    // Consumes one line end at m_pos if there is one.
    bool consumeLineEnd();

    const QString m_text;
    int m_pos = 0;
    int m_line = 1;
    int m_lineStart = 0; // offset of the current line's first character
};
