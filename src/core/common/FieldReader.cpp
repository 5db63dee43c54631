#include "common/FieldReader.h"

#include <climits>

namespace {

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

} // namespace

FieldReader::FieldReader(const QString &text)
    : m_text(text)
{
}

bool FieldReader::atEnd() const
{
    return m_pos >= m_text.size();
}

bool FieldReader::consumeLineEnd()
{
    if (m_pos >= m_text.size())
        return false;
    const QChar c = m_text.at(m_pos);
    if (c == QLatin1Char('\r')) {
        ++m_pos;
        if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('\n'))
            ++m_pos;
    } else if (c == QLatin1Char('\n')) {
        ++m_pos;
    } else {
        return false;
    }
    ++m_line;
    m_lineStart = m_pos;
    return true;
}

FieldReader::Field FieldReader::next()
{
    Field f;
    const int size = m_text.size();
    while (m_pos < size && (m_text.at(m_pos) == QLatin1Char(' ') || m_text.at(m_pos) == QLatin1Char('\t')))
        ++m_pos;
    f.line = m_line;
    f.column = m_pos - m_lineStart + 1;

    if (m_pos < size && m_text.at(m_pos) == QLatin1Char('"')) {
        f.quoted = true;
        ++f.column;
        const int start = m_pos + 1;
        int close = m_text.indexOf(QLatin1Char('"'), start);
        if (close < 0)
            close = size;
        f.text = m_text.mid(start, close - start);
        for (int i = start; i < close; ++i) { // a quoted field may span lines
            if (m_text.at(i) == QLatin1Char('\n')
                || (m_text.at(i) == QLatin1Char('\r') && (i + 1 >= close || m_text.at(i + 1) != QLatin1Char('\n')))) {
                ++m_line;
                m_lineStart = i + 1;
            }
        }
        m_pos = qMin(close + 1, size);
        // Whatever stands between the closing quote and the comma or line end is dropped.
        while (m_pos < size && m_text.at(m_pos) != QLatin1Char(',') && !isLineEnd(m_text.at(m_pos)))
            ++m_pos;
        if (m_pos < size && m_text.at(m_pos) == QLatin1Char(','))
            ++m_pos;
        else
            consumeLineEnd();
        return f;
    }

    const int start = m_pos;
    while (m_pos < size && m_text.at(m_pos) != QLatin1Char(',') && !isLineEnd(m_text.at(m_pos)))
        ++m_pos;
    int end = m_pos;
    while (end > start && m_text.at(end - 1) == QLatin1Char(' '))
        --end;
    f.text = m_text.mid(start, end - start);
    f.droppedBlanks = m_pos - end;
    if (m_pos < size && m_text.at(m_pos) == QLatin1Char(',')) {
        f.endedAtComma = true;
        ++m_pos;
    } else {
        consumeLineEnd();
    }
    return f;
}

QList<FieldReader::Field> FieldReader::readAll(const QString &text)
{
    QList<Field> fields;
    FieldReader reader(text);
    while (!reader.atEnd())
        fields.append(reader.next());
    return fields;
}

QStringList FieldReader::readAllTexts(const QString &text)
{
    QStringList texts;
    FieldReader reader(text);
    while (!reader.atEnd())
        texts.append(reader.next().text);
    return texts;
}

int FieldReader::numericPrefix(const QString &text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > INT_MAX)
            value = static_cast<long long>(INT_MAX) + 1; // keeps clamping cheap
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}
