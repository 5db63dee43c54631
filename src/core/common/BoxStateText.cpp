#include "common/BoxStateText.h"

#include <QStringList>

QString BoxStateText::of(BoxState state, Form form)
{
    switch (form) {
    case Form::HeldBecause:
        return state == BoxState::Standby ? QStringLiteral("Box im Standby") : QStringLiteral("Box aus");
    case Form::Short:
        return state == BoxState::Standby ? QStringLiteral("Standby") : QStringLiteral("aus");
    case Form::Said:
        return state == BoxState::Standby ? QStringLiteral("im Standby") : QStringLiteral("aus");
    case Form::Log:
        switch (state) {
        case BoxState::On:
            return QStringLiteral("eingeschaltet");
        case BoxState::Standby:
            return QStringLiteral("im Standby (zeigt keine Nachrichten)");
        case BoxState::Off:
            return QStringLiteral("aus");
        case BoxState::Unknown:
            break;
        }
        return QStringLiteral("erreichbar, ob sie Nachrichten zeigt, ist offen");
    case Form::Lamp:
        switch (state) {
        case BoxState::On:
            return QStringLiteral("eingeschaltet - Nachrichten werden angezeigt");
        case BoxState::Standby:
            return QStringLiteral("im Standby - Nachrichten werden zurückgehalten, bis sie eingeschaltet ist");
        case BoxState::Off:
            return QStringLiteral("aus - antwortet nicht; Nachrichten werden zurückgehalten");
        case BoxState::Unknown:
            break;
        }
        return QStringLiteral("noch nicht geprüft");
    }
    return QString();
}

QString BoxStateText::boxName(int box, const QString &kind, const QString &address)
{
    QStringList beside;
    if (!kind.isEmpty())
        beside << kind;
    if (!address.isEmpty())
        beside << address;
    const QString name = QStringLiteral("Box %1").arg(box);
    return beside.isEmpty() ? name : name + QStringLiteral(" (") + beside.join(QStringLiteral(", ")) + QLatin1Char(')');
}
