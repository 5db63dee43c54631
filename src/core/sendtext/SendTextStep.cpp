#include "sendtext/SendTextStep.h"

#include "boxes/BoxList.h"
#include "boxes/BoxSender.h"
#include "boxes/PanelFollower.h"
#include "boxes/ProtocolChoice.h"
#include "boxes/SendHandle.h"
#include "common/StatusBoard.h"
#include "common/Logging.h"
#include "common/SettingsFile.h"

#include <algorithm>

SendTextStep::Outcome SendTextStep::run(const QDir &folder, StatusBoard *display, BoxSender *sender,
                                        const QString &typed, const SendTextSettings &settings)
{
    Outcome out;
    out.text = textToSend(typed);
    out.converted = TypedText::convert(out.text);
    out.message = {settings.kind, out.converted.text};

    // Whether a box is on is decided now, not when the dialog opened.
    out.sentTo = receivers(*display, settings);
    QList<SendHandle *> sent;
    for (const int box : out.sentTo)
        sent << sender->send(box, out.message, {MessageSource::TypedText, box});
    if (sent.isEmpty()) {
        qCInfo(lcSend) << "Text sofort senden: keine angekreuzte Box ist eingeschaltet";
        sent << sender->notSent(out.message, {MessageSource::TypedText, 0}, noReceiverReason(settings));
    }

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
        out.notSent = Delivery::notSentPanelText(sent.last()->box(), sent.last()->result().reason);
    sender->panel()->showWhenSent(sent, out.converted.plain);
    return out;
}

QString SendTextStep::noReceiverReason(const SendTextSettings &settings)
{
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        if (settings.isTicked(box))
            return QStringLiteral("keine angekreuzte Box ist eingeschaltet");
    return QStringLiteral("keine Box angekreuzt");
}

bool SendTextStep::willBeShortened(const QString &typed, MessageKind kind)
{
    const Message message{kind, TypedText::convert(textToSend(typed)).text};
    return ProtocolChoice().unasked().preview(message, BoxProtocol::Assumed::NotYetKnown).shortened;
}

QList<int> SendTextStep::receivers(const StatusBoard &display, const SendTextSettings &settings)
{
    QList<int> boxes;
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        if (settings.isTicked(box) && display.boxIsOn(box))
            boxes << box;
    return boxes;
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
