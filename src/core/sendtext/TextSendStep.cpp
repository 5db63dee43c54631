#include "sendtext/TextSendStep.h"

#include "boxes/BoxListFile.h"
#include "boxes/RequestChannel.h"
#include "boxes/RequestTarget.h"
#include "common/DisplayState.h"
#include "common/Logging.h"
#include "sendtext/SaveFailureText.h"

TextSendStep::Outcome TextSendStep::run(const QDir &folder, DisplayState *display,
                                        const std::array<RequestChannel *, 4> &channels, const QString &typed,
                                        const SendTextSettings &settings)
{
    Outcome out;
    out.text = textToSend(typed);
    out.converted = TypedText::convert(out.text);
    out.message = {settings.kind, out.converted.text};

    // Whether a box is on is decided now, not when the dialog opened.
    out.sentTo = receivers(*display, settings);
    if (!out.sentTo.isEmpty()) {
        const BoxList boxes = BoxListFile::read(folder).boxes;
        for (const int box : out.sentTo)
            channels.at(box - 1)->send(boxes.address(box), out.message);
    } else {
        qCInfo(lcSend) << "Text sofort senden: keine angekreuzte Box ist eingeschaltet";
    }

    const QString reason = SendTextSettings::write(folder, settings);
    if (!reason.isEmpty()) {
        out.saveError = saveFailureText(SendTextSettings::kFileName, reason);
        qCWarning(lcSend).noquote() << out.saveError;
    }

    display->showInfo(out.converted.plain);
    return out;
}

bool TextSendStep::willBeShortened(const QString &typed, MessageKind kind)
{
    const Message message{kind, TypedText::convert(textToSend(typed)).text};
    return RequestTarget::encode(message, FirmwareKind::Unknown).shortened;
}

QList<int> TextSendStep::receivers(const DisplayState &display, const SendTextSettings &settings)
{
    QList<int> boxes;
    for (int box = 1; box <= SendTextSettings::kBoxes; ++box)
        if (settings.isTicked(box) && display.boxIsOn(box))
            boxes << box;
    return boxes;
}
