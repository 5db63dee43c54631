#include "sendtext/SendTextStep.h"

#include "boxes/BoxListFile.h"
#include "boxes/RequestChannel.h"
#include "boxes/ProtocolChoice.h"
#include "common/StatusBoard.h"
#include "common/Logging.h"
#include "common/SettingsFile.h"

SendTextStep::Outcome SendTextStep::run(const QDir &folder, StatusBoard *display,
                                        const std::array<RequestChannel *, 4> &channels, const QString &typed,
                                        const SendTextSettings &settings)
{
    Outcome out;
    out.text = textToSend(typed);
    out.converted = TypedText::convert(out.text);
    out.message = {settings.kind, out.converted.text};

    // Whether a box is on is decided now, not when the dialog opened.
    out.sentTo = receivers(*display, settings);
    QString notSentText;
    if (!out.sentTo.isEmpty()) {
        const BoxList boxes = BoxListFile::read(folder).boxes;
        bool anySent = false;
        for (const int box : out.sentTo) {
            const QString refused = channels.at(box - 1)->send(boxes.address(box), out.message,
                                                                {MessageSource::TypedText, box});
            if (refused.isEmpty())
                anySent = true;
            else
                notSentText = Delivery::notSentPanelText(box, refused);
        }
        if (anySent)
            notSentText.clear();
    } else {
        qCInfo(lcSend) << "Text sofort senden: keine angekreuzte Box ist eingeschaltet";
        const QString why = noReceiverReason(settings);
        channels.at(0)->notSent(out.message, {MessageSource::TypedText, 0}, why);
        notSentText = Delivery::notSentPanelText(0, why);
    }

    const QString reason = SendTextSettings::write(folder, settings);
    if (!reason.isEmpty()) {
        out.saveError = SettingsFile::saveFailureText(SendTextSettings::kFileName, reason);
        qCWarning(lcSend).noquote() << out.saveError;
    }

    // The text itself only when it went to at least one box.
    out.notSent = notSentText;
    display->showInfo(notSentText.isEmpty() ? out.converted.plain : notSentText);
    return out;
}

QString SendTextStep::noReceiverReason(const SendTextSettings &settings)
{
    for (int box = 1; box <= SendTextSettings::kBoxes; ++box)
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
    for (int box = 1; box <= SendTextSettings::kBoxes; ++box)
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
