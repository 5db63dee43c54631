#include "sendtext/AddressInput.h"

namespace AddressInput {

bool isStorable(QChar c)
{
    return c != QLatin1Char(',') && c != QLatin1Char('"');
}

QString storable(const QString &typed)
{
    QString out;
    out.reserve(typed.size());
    for (const QChar c : typed)
        if (isStorable(c))
            out += c;
    return out;
}

} // namespace AddressInput
