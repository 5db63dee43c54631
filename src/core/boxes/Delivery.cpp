#include "boxes/Delivery.h"

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
    SendResult result;
    result.outcome = outcome;
    result.httpStatus = httpStatus;
    result.reason = reason;
    if (confirmation != Confirmation::None && delivered())
        return confirmationText(confirmation, confirmedAt);
    const QString text = outcomeText(result);
    // A held message's end says when it came, and that it had waited.
    if (heldBecause.isEmpty() || result.pending())
        return text;
    const QString when = outcome == DeliveryOutcome::Expired
                             ? QString()
                             : QStringLiteral(" um ") + endedAt.toString(QStringLiteral("HH:mm:ss"));
    return text + when + QStringLiteral(", zuvor zurückgehalten (") + heldBecause + QLatin1Char(')');
}

QString Delivery::outcomeText(const SendResult &result)
{
    const QString &reason = result.reason;
    switch (result.outcome) {
    case DeliveryOutcome::Waiting:
        return QStringLiteral("wartet auf Antwort");
    case DeliveryOutcome::Answered:
        return QStringLiteral("beantwortet (HTTP %1)").arg(result.httpStatus);
    case DeliveryOutcome::TimedOut: // the reason says how long and whether it connected
        return reason.isEmpty() ? QStringLiteral("keine Antwort") : reason;
    case DeliveryOutcome::ConnectionRefused:
        return QStringLiteral("Verbindung abgelehnt");
    case DeliveryOutcome::Failed:
        return QStringLiteral("Fehler: ") + reason;
    case DeliveryOutcome::NotSent:
        return QStringLiteral("nicht gesendet: ") + reason;
    case DeliveryOutcome::Dropped:
        return reason.isEmpty() ? QStringLiteral("verworfen") : QStringLiteral("verworfen: ") + reason;
    case DeliveryOutcome::Held:
        return QStringLiteral("zurückgehalten (") + reason + QLatin1Char(')');
    case DeliveryOutcome::Expired: // pushed out, or its time ran out
        return reason.isEmpty() ? QStringLiteral("verfallen") : QStringLiteral("verfallen: ") + reason;
    }
    return QString();
}

QString Delivery::confirmationText(Confirmation confirmation, const QDateTime &at)
{
    const QString seen = QStringLiteral("gesehen um ") + at.toString(QStringLiteral("HH:mm"));
    switch (confirmation) {
    case Confirmation::None:
        break;
    case Confirmation::Waiting:
        return QStringLiteral("wartet auf Bestätigung");
    case Confirmation::Yes:
        return seen + QStringLiteral(" (Ja)");
    case Confirmation::No:
        return seen + QStringLiteral(" (Nein)");
    case Confirmation::Seen:
        return seen;
    case Confirmation::Unconfirmed:
        return QStringLiteral("nicht bestätigt");
    case Confirmation::CannotTell:
        return QStringLiteral("angezeigt – diese Box kann nicht melden, ob es gesehen wurde");
    }
    return QString();
}

QString Delivery::confirmationPanelText(int box, const QString &text, Confirmation confirmation,
                                        const QDateTime &at)
{
    return QStringLiteral("Box %1: ").arg(box) + confirmationText(confirmation, at) + QStringLiteral(" – ")
           + firstLineOf(text);
}

QString Delivery::notArrivedPanelText(const QString &panelText, const SendResult &result)
{
    const QString why = result.outcome == DeliveryOutcome::Failed ? result.reason : outcomeText(result);
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
