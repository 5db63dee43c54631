#include "common/CommandLineError.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace CommandLineError {

QString german(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    const auto dashed = [](const QString &name) {
        return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    };
    if (!unknown.isEmpty())
        return QStringLiteral("unbekannte Angabe %1").arg(dashed(unknown.first()));
    // The other two failures name their option in quotes: "Missing value
    // after '--folder'." and "Unexpected value after '--json'.".
    const QString text = parser.errorText();
    const QRegularExpressionMatch quoted = QRegularExpression(QStringLiteral("'(-[^']*)'")).match(text);
    if (quoted.hasMatch() && text.startsWith(QStringLiteral("Missing")))
        return QStringLiteral("%1 braucht einen Wert").arg(quoted.captured(1));
    if (quoted.hasMatch() && text.startsWith(QStringLiteral("Unexpected")))
        return QStringLiteral("%1 nimmt keinen Wert").arg(quoted.captured(1).section(QLatin1Char('='), 0, 0));
    return QStringLiteral("unverständlicher Aufruf");
}

} // namespace CommandLineError
