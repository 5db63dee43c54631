#include "check/CheckFinding.h"

QString CheckFinding::text() const
{
    const QString where = QStringLiteral("Zeile %1: ").arg(line);
    if (neverFires())
        return where + what + QStringLiteral(" – diese Zeile wird nie gesendet");
    return where + QStringLiteral("Hinweis: ") + what;
}
