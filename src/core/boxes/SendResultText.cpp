#include "boxes/SendResultText.h"

#include "boxes/HeldMessages.h"
#include "boxes/QuestionWatch.h"
#include "common/BoxStateText.h"

namespace SendResultText {

QString reason(const SendResult &result, int box)
{
    const QString standby = BoxStateText::of(BoxState::Standby, BoxStateText::Form::HeldBecause);
    const QString off = BoxStateText::of(BoxState::Off, BoxStateText::Form::HeldBecause);
    const QString after = QString::number(result.waitedMs / 1000.0);
    switch (result.why) {
    case SendFailure::None:
    case SendFailure::Expired:
    case SendFailure::Discarded:
        return QString();
    case SendFailure::Standby:
        return standby;
    case SendFailure::Off:
        return off;
    case SendFailure::NotShown:
        return standby + QStringLiteral(", der Text würde nicht angezeigt");
    case SendFailure::NotHeldStandby:
        return standby + QStringLiteral(", nicht zurückgehalten");
    case SendFailure::NotHeldOff:
        return off + QStringLiteral(", nicht zurückgehalten");
    case SendFailure::PushedOut:
        return QStringLiteral("verdrängt, mehr als %1 Nachrichten für Box %2 zurückgehalten")
            .arg(HeldMessages::kMaxPerBox)
            .arg(box);
    case SendFailure::NoBox:
    case SendFailure::AddressRefused:
    case SendFailure::BoxRefused:
    case SendFailure::NoConnection:
        return result.said;
    case SendFailure::ConnectionRefused:
        return QStringLiteral("Verbindung abgelehnt");
    case SendFailure::ConnectionClosed:
        return QStringLiteral("Verbindung geschlossen ohne Antwort");
    case SendFailure::NoHttpAnswer:
        return QStringLiteral("ungültige Antwort (keine HTTP-Statuszeile)");
    case SendFailure::InvalidTarget:
        return QStringLiteral("ungültiges Ziel");
    case SendFailure::ZelvoEnded:
        return QStringLiteral("Zelvo endete vor der Antwort");
    case SendFailure::QuestionOpen:
        return QStringLiteral("die vorige Frage an die Box ist noch offen");
    case SendFailure::TooManyQuestions:
        return QStringLiteral("mehr als %1 Fragen für Box %2 offen").arg(QuestionWatch::kMaxPerBox).arg(box);
    case SendFailure::KindUnknown:
        return QStringLiteral("Art der Box unbekannt (keine Antwort auf die Frage, was sie ist)");
    case SendFailure::LookupTimedOut:
        return QStringLiteral("Name nach %1 s noch nicht aufgelöst").arg(after);
    case SendFailure::ConnectTimedOut:
        return QStringLiteral("keine Verbindung nach %1 s").arg(after);
    case SendFailure::NoAnswer:
        return result.waitedMs > 0 ? QStringLiteral("keine Antwort nach %1 s").arg(after) : QString();
    case SendFailure::Dropped:
        return result.waitedMs > 0
                   ? QStringLiteral("nicht gesendet nach %1 s (wartete hinter früheren Nachrichten an diese Box)").arg(after)
                   : QString();
    }
    return QString();
}

QString outcome(const SendResult &result, int box)
{
    return outcome(result.outcome, result.httpStatus, reason(result, box));
}

QString outcome(DeliveryOutcome outcome, int httpStatus, const QString &reason)
{
    switch (outcome) {
    case DeliveryOutcome::Waiting:
        return QStringLiteral("wartet auf Antwort");
    case DeliveryOutcome::Answered:
        return QStringLiteral("beantwortet (HTTP %1)").arg(httpStatus);
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

QString confirmation(Confirmation confirmation, const QDateTime &at)
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

} // namespace SendResultText
