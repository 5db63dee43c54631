#include "sendtext/SendTextStep.h"

#include "boxes/BoxList.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/PanelFollower.h"
#include "boxes/ProtocolChoice.h"
#include "boxes/SendHandle.h"
#include "boxes/SendResultText.h"
#include "common/BoxStateText.h"
#include "common/Logging.h"
#include "common/SettingsFile.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>

SendTextStep::Outcome SendTextStep::run(const QDir &folder, BoxSender *sender, const QString &typed,
                                        const SendTextSettings &settings)
{
    Outcome out;
    out.text = textToSend(typed);
    out.converted = TypedText::convert(out.text);
    out.message = {settings.kind, out.converted.text, settings.confirm};

    // A box in standby or off gets it too: the sender holds it for the box.
    out.sentTo = receivers(sender->boxList()->boxes(), settings);
    QList<SendHandle *> sent;
    QStringList got;
    QStringList holding;
    for (const int box : out.sentTo) {
        SendHandle *handle = sender->send(box, out.message, {MessageSource::TypedText, box});
        sent << handle;
        if (handle->result().outcome == DeliveryOutcome::Held) {
            out.held << box;
            const BoxState state = sender->boxState(box) == BoxState::Standby ? BoxState::Standby : BoxState::Off;
            holding << QStringLiteral("Box %1 (%2)").arg(box).arg(waitingText(state, sender->holdMinutesFor(
                                                                                           MessageSource::TypedText)));
        } else if (handle->result().outcome != DeliveryOutcome::NotSent) {
            got << QStringLiteral("Box %1").arg(box);
        }
    }
    if (sent.isEmpty()) {
        qCInfo(lcSend) << "Text sofort senden: keine angekreuzte Box ist eingerichtet";
        sent << sender->notSent(out.message, {MessageSource::TypedText, 0}, noReceiverReason(settings));
    }
    if (!holding.isEmpty())
        out.heldSummary = (got.isEmpty() ? QString() : QStringLiteral("Gesendet an ") + got.join(QStringLiteral(", "))
                                                           + QStringLiteral(".\n"))
                          + QStringLiteral("Zurückgehalten für ") + holding.join(QStringLiteral(", ")) + QLatin1Char('.');

    const QString reason = SendTextSettings::write(folder, settings);
    if (!reason.isEmpty()) {
        out.saveError = SettingsFile::saveFailureText(SendTextSettings::kFileName, reason);
        qCWarning(lcSend).noquote() << out.saveError;
    }

    // The text itself only when it may reach at least one box.
    const bool noneSent = std::all_of(sent.cbegin(), sent.cend(), [](const SendHandle *h) {
        return h->result().outcome == DeliveryOutcome::NotSent;
    });
    if (noneSent)
        out.notSent = Delivery::notSentPanelText(sent.last()->box(),
                                                 SendResultText::reason(sent.last()->result(), sent.last()->box()));
    sender->panel()->showWhenSent(sent, out.converted.plain);
    return out;
}

QString SendTextStep::noReceiverReason(const SendTextSettings &settings)
{
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        if (settings.isTicked(box))
            return QStringLiteral("keine angekreuzte Box ist eingerichtet");
    return QStringLiteral("keine Box angekreuzt");
}

QString SendTextStep::waitingText(BoxState state, int holdMinutes)
{
    if (state != BoxState::Standby && state != BoxState::Off)
        return QString();
    const QString what = BoxStateText::of(state, BoxStateText::Form::Said);
    if (holdMinutes <= 0)
        return what + QStringLiteral(" – wird nicht zurückgehalten, also nicht gezeigt");
    return what + QStringLiteral(" – wird gezeigt, sobald sie eingeschaltet ist, höchstens %1 Min.").arg(holdMinutes);
}

bool SendTextStep::willBeShortened(const QString &typed, MessageKind kind)
{
    return lengthNote(textToSend(typed), kind).shortened;
}

SendTextStep::LengthNote SendTextStep::lengthNote(const QString &typed, MessageKind kind)
{
    const Message message{kind, TypedText::convert(typed).text};
    const ProtocolChoice choice;
    const BoxProtocol &protocol = choice.unasked();
    const MessageRequest request = protocol.preview(message, BoxProtocol::Assumed::NotYetKnown);
    LengthNote note;
    note.characters = int(message.text.size());
    note.shortened = request.shortened;
    const QLocale german(QLocale::German);
    note.words = QStringLiteral("%1 Zeichen").arg(german.toString(note.characters));
    if (note.shortened) {
        const int arriving = int(protocol.shownText(request.get).size()) - 1; // without the "…"
        note.words += QStringLiteral(", davon kommen %1 an. ").arg(german.toString(arriving)) + kShortenedNotice;
    }
    return note;
}

QList<int> SendTextStep::receivers(const BoxList &boxes, const SendTextSettings &settings)
{
    QList<int> to;
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        if (settings.isTicked(box) && boxes.namesAddress(box))
            to << box;
    return to;
}

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
