#include "sendtext/TypedText.h"

TypedText TypedText::convert(const QString &typed)
{
    TypedText t;
    const int n = typed.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = typed.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && typed.at(i + 1) == QLatin1Char('\n'))
                ++i;
            t.text += QLatin1Char('\n');
            continue;
        }
        t.text += c;
        t.plain += c;
    }
    return t;
}
