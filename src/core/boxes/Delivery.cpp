#include "boxes/Delivery.h"

#include "boxes/SendResultText.h"
#include "common/BoxStateText.h"

QString Delivery::boxText() const
{
    if (origin.box < 1) {
        if (address.isEmpty())
            return QStringLiteral("keine Box");
        return boxKind.isEmpty() ? address : address + QStringLiteral(" (") + boxKind + QLatin1Char(')');
    }
    // A kind is known only of an address.
    return BoxStateText::boxName(origin.box, address.isEmpty() ? QString() : boxKind, address);
}

QString Delivery::sourceText() const
{
    if (!origin.sourceName.isEmpty())
        return origin.sourceName;
    switch (origin.source) {
    case MessageSource::Reminder:
        return QStringLiteral("Erinnerung");
    case MessageSource::StatusNotice:
        return QStringLiteral("Statusmeldung");
    case MessageSource::BoxTest:
        return QStringLiteral("Boxtest");
    case MessageSource::TypedText:
        return QStringLiteral("Text");
    case MessageSource::Web:
        return QStringLiteral("Webseite");
    case MessageSource::Script:
        break;
    }
    return QStringLiteral("zelvo send");
}

QString Delivery::kindText() const
{
    return kind == MessageKind::Popup ? QStringLiteral("Popup") : QStringLiteral("Message");
}

QString Delivery::outcomeText() const
{
    if (confirmation != Confirmation::None && delivered())
        return SendResultText::confirmation(confirmation, confirmedAt);
    const QString text = SendResultText::outcome(outcome, httpStatus, reason);
    // A held message's end says when it came, and that it had waited.
    if (heldBecause.isEmpty() || SendResult::pending(outcome))
        return text;
    const QString when = outcome == DeliveryOutcome::Expired
                             ? QString()
                             : QStringLiteral(" um ") + endedAt.toString(QStringLiteral("HH:mm:ss"));
    return text + when + QStringLiteral(", zuvor zurückgehalten (") + heldBecause + QLatin1Char(')');
}

QString Delivery::confirmationPanelText(int box, const QString &text, Confirmation confirmation,
                                        const QDateTime &at)
{
    return QStringLiteral("Box %1: ").arg(box) + SendResultText::confirmation(confirmation, at) + QStringLiteral(" – ")
           + firstLineOf(text);
}

QString Delivery::notArrivedPanelText(const QString &panelText, const SendResult &result, int box)
{
    const QString why = result.outcome == DeliveryOutcome::Failed ? SendResultText::reason(result, box)
                                                                  : SendResultText::outcome(result, box);
    return panelText + QStringLiteral(" - nicht angekommen: ") + why;
}

QString Delivery::summaryText() const
{
    const QString to = origin.box >= 1 ? QStringLiteral(" an Box %1").arg(origin.box) : QString();
    return QStringLiteral("Letzte Nachricht ") + time.toString(QStringLiteral("HH:mm:ss")) + to
           + QStringLiteral(": ") + outcomeText();
}

QString Delivery::firstLineOf(const QString &text)
{
    // Enough for the list; a long line does not make the record grow.
    constexpr int kMaxChars = 160;
    const QString line = text.section(QLatin1Char('\n'), 0, 0);
    return line.size() > kMaxChars ? line.left(kMaxChars - 1) + QChar(0x2026) : line;
}

QString Delivery::notSentPanelText(int box, const QString &reason)
{
    const QString to = box >= 1 ? QStringLiteral(" an Box %1").arg(box) : QString();
    return QStringLiteral("Nichts gesendet") + to + QStringLiteral(": ") + reason;
}
