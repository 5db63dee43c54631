#include "reminders/ReminderRecord.h"

namespace {


// Characters, not UTF-16 units: a surrogate pair counts once.
int charCount(QStringView s)
{
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

// The first maxChars characters of s.
QStringView firstChars(QStringView s, int maxChars)
{
    qsizetype i = 0;
    for (int n = 0; n < maxChars && i < s.size(); ++n) {
        if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
        ++i;
    }
    return s.first(i);
}

} // namespace

ReminderRecord::ReminderRecord(ReminderListKind list, const QString &record)
    : m_list(list)
    , m_record(record)
    , m_writtenLength(int(record.size()))
{
}

ReminderRecord::ReminderRecord(ReminderListKind list, const FieldReader::Field &field, bool continuesLine)
    : m_list(list)
    , m_record(field.text)
    , m_line(field.line)
    , m_column(field.column)
    , m_writtenLength(int(field.text.size()) + field.droppedBlanks)
    , m_quoted(field.quoted)
    , m_splitAtComma(field.endedAtComma)
    , m_continuesLine(continuesLine)
{
}

ReminderRecord ReminderRecord::daily(const QString &record)
{
    return ReminderRecord(ReminderListKind::Daily, record);
}

ReminderRecord ReminderRecord::weekly(const QString &record)
{
    return ReminderRecord(ReminderListKind::Weekly, record);
}

ReminderRecord ReminderRecord::dated(const QString &record)
{
    return ReminderRecord(ReminderListKind::Dated, record);
}

QStringView ReminderRecord::slice(int position, int length) const
{
    if (position <= 0 || position > m_record.size())
        return {};
    return QStringView(m_record).mid(position - 1, length);
}

QChar ReminderRecord::charAt(int position) const
{
    if (position <= 0 || position > m_record.size())
        return {};
    return m_record.at(position - 1);
}

QStringView ReminderRecord::dayCode() const
{
    return slice(layout().dayCode, ReminderLayout::kDayCodeChars);
}

QStringView ReminderRecord::date() const
{
    return slice(layout().date, ReminderLayout::kDateChars);
}

QStringView ReminderRecord::trigger() const
{
    return slice(layout().trigger, ReminderLayout::kClockTimeChars);
}

QStringView ReminderRecord::eventTime() const
{
    return slice(layout().eventTime, ReminderLayout::kClockTimeChars);
}

QChar ReminderRecord::kindFlag() const
{
    return charAt(layout().kindFlag);
}

QChar ReminderRecord::boxDigit() const
{
    return charAt(layout().boxDigit);
}

MessageKind ReminderRecord::kind() const
{
    return kindFlag() == QLatin1Char('p') ? MessageKind::Popup : MessageKind::Message;
}

int ReminderRecord::box() const
{
    const QChar d = boxDigit();
    if (d == QLatin1Char('2') || d == QLatin1Char('3') || d == QLatin1Char('4'))
        return d.unicode() - '0';
    return 1;
}

bool ReminderRecord::hasWildcardTrigger() const
{
    return m_list == ReminderListKind::Dated && trigger().startsWith(QLatin1String("??:"));
}

QString ReminderRecord::text() const
{
    return firstChars(slice(layout().text, int(m_record.size())), kMaxTextChars).toString();
}

int ReminderRecord::fullTextLength() const
{
    return charCount(slice(layout().text, int(m_record.size())));
}

bool ReminderRecord::firesAt(const ReminderKeys &keys) const
{
    if (!longEnough() || keys.hourMinute.isEmpty())
        return false;
    switch (m_list) {
    case ReminderListKind::Daily:
        return trigger() == keys.hourMinute;
    case ReminderListKind::Weekly: {
        const QStringView day = dayCode();
        return trigger() == keys.hourMinute && (day == keys.dayCode || day == keys.groupCode);
    }
    case ReminderListKind::Dated: {
        const QStringView t = trigger();
        return date() == keys.dateKey && (t == keys.hourMinute || t == keys.wildcard);
    }
    }
    return false;
}
