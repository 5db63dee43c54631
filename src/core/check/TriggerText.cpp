#include "check/TriggerText.h"

#include <QString>

namespace {

int digit(QStringView s, int i)
{
    const QChar c = s.at(i);
    return c >= QLatin1Char('0') && c <= QLatin1Char('9') ? c.unicode() - '0' : -1;
}

// "MM" at positions 3 and 4, 00 to 59, or -1.
int minuteAt(QStringView t)
{
    const int m1 = digit(t, 3), m2 = digit(t, 4);
    return m1 >= 0 && m1 <= 5 && m2 >= 0 ? m1 * 10 + m2 : -1;
}

} // namespace

int TriggerText::minuteOfDay(QStringView t)
{
    if (t.size() != 5 || t.at(2) != QLatin1Char(':'))
        return -1;
    const int h1 = digit(t, 0), h2 = digit(t, 1), m = minuteAt(t);
    if (h1 < 0 || h2 < 0 || m < 0 || h1 * 10 + h2 > 23)
        return -1;
    return (h1 * 10 + h2) * 60 + m;
}

int TriggerText::everyHourMinute(QStringView t)
{
    if (t.size() != 5 || !t.startsWith(QLatin1String("??:")))
        return -1;
    return minuteAt(t);
}
