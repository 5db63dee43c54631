#include "sendtext/SaveFailureText.h"

QString saveFailureText(const QString &fileName, const QString &reason)
{
    return QStringLiteral("%1 konnte nicht gespeichert werden: %2").arg(fileName, reason);
}
