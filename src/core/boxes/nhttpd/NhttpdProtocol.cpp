#include "boxes/nhttpd/NhttpdProtocol.h"

#include "boxes/HttpAnswer.h"
#include "boxes/SendResult.h"
#include "boxes/nhttpd/RequestTarget.h"

NhttpdProtocol::NhttpdProtocol()
    : m_identity{RequestTarget::encodeQuery(RequestTarget::kVersionQuery), {}}
{
}

void NhttpdProtocol::setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds)
{
    m_popupSeconds = popupSeconds;
    m_messageSeconds = messageSeconds;
}

std::optional<int> NhttpdProtocol::displaySeconds(const Message &message, FirmwareKind firmware) const
{
    if (firmware == FirmwareKind::Old)
        return std::nullopt;
    if (message.confirm)
        return 0; // until someone closes it: such a box cannot say whether it was seen
    return message.kind == MessageKind::Popup ? m_popupSeconds : m_messageSeconds;
}

// A message to be confirmed goes as a message, which stays until closed.
MessageRequest NhttpdProtocol::messageRequest(const BoxLink &link, const Message &message) const
{
    const FirmwareKind firmware = BoxFirmware::kindOf(link);
    return request(asSent(message), firmware, displaySeconds(message, firmware));
}

MessageRequest NhttpdProtocol::preview(const Message &message, Assumed assumed) const
{
    const FirmwareKind firmware = assumed == Assumed::Current ? FirmwareKind::New : FirmwareKind::Unknown;
    return request(asSent(message), firmware, displaySeconds(message, firmware));
}

Message NhttpdProtocol::asSent(const Message &message)
{
    Message sent = message;
    if (message.confirm)
        sent.kind = MessageKind::Message;
    return sent;
}

MessageRequest NhttpdProtocol::request(const Message &message, FirmwareKind kind, std::optional<int> displaySeconds)
{
    const RequestTarget::Encoded e = RequestTarget::encode(message, kind, displaySeconds);
    MessageRequest r;
    r.get.target = e.target;
    r.shortened = e.shortened;
    if (e.shortened)
        r.changes << QStringLiteral("Text gekürzt, damit die Anfragezeile in %1 Bytes passt: %2")
                         .arg(RequestTarget::kMaxRequestLine)
                         .arg(QString::fromLatin1(e.target.right(40)));
    if (!e.replacements.isEmpty())
        r.changes << (kind == FirmwareKind::Old ? QStringLiteral("alter Webserver der Box")
                                                : QStringLiteral("Webserver der Box noch unbekannt"))
                         + QStringLiteral(" - ersetzt: ") + e.replacements.join(QStringLiteral(", "));
    if (e.droppedControls > 0)
        r.changes << QStringLiteral("%1 Steuerzeichen nicht gesendet").arg(e.droppedControls);
    return r;
}

// A current server decodes the value once; the encoding keeps every other
// server to the same reading.
QString NhttpdProtocol::shownText(const BoxGet &request) const
{
    const std::optional<RequestTarget::MessageParts> parts = RequestTarget::split(request.target);
    return parts ? RequestTarget::shownOnScreen(RequestTarget::decodeBytes(parts->value)) : QString();
}

// Only a server that decodes more than once changes a text: it shows "und",
// "plus", "Prozent" for "&", "+", "%", as escaped for it and decoded once.
QString NhttpdProtocol::changedAlike(const QString &text) const
{
    return RequestTarget::decodeText(RequestTarget::encodeText(text, FirmwareKind::Old));
}

QString NhttpdProtocol::readable(const Message &message) const
{
    return RequestTarget::document(asSent(message));
}

std::optional<BoxGet> NhttpdProtocol::question(BoxQuestion question) const
{
    if (question == BoxQuestion::Identity)
        return m_identity;
    if (question == BoxQuestion::Answer)
        return std::nullopt; // such a box cannot say whether a message was seen
    return BoxGet{RequestTarget::kModeQuery, {}};
}

std::optional<BoxGet> NhttpdProtocol::questionFor(const BoxLink &link, BoxQuestion question) const
{
    if (question == BoxQuestion::Identity)
        return m_identity;
    if (question == BoxQuestion::Answer)
        return std::nullopt;
    switch (link.learnt(kind()).questionsLacking) {
    case 0:
        return BoxGet{RequestTarget::kModeQuery, {}};
    case 1:
        return BoxGet{RequestTarget::kStandbyQuery, {}};
    }
    return std::nullopt;
}

// "tv", "radio", ... can show a message; "standby" and "avinput" cannot.
// The older question answers "on" while in standby. A server that lacks the
// question says so (404, "unknown command"): the next one is asked instead.
// Any other answer tells nothing, this time: the question stays.
AnswerMeaning NhttpdProtocol::readMode(BoxLink &link, const BoxGet &request, const HttpAnswer &answer)
{
    static const QList<QByteArray> kModes = {"tv", "radio", "avinput", "standby", "audio", "pic",
                                             "ts", "webtv", "upnp", "webradio", "unknown"};
    const QByteArray word = answer.body().trimmed().toLower();
    AnswerMeaning meaning;
    meaning.version = version(link);
    const bool ok = SendResult::success(answer.status());
    // Which of this kind's two forms of the question it was.
    const bool standbyForm = request.target == RequestTarget::kStandbyQuery;
    if (ok && !standbyForm && kModes.contains(word)) {
        meaning.verdict = AnswerMeaning::Verdict::Accepted;
        if (word != "unknown")
            meaning.canShow = word != "standby" && word != "avinput";
        return meaning;
    }
    if (ok && standbyForm && (word == "on" || word == "off")) {
        meaning.verdict = AnswerMeaning::Verdict::Accepted;
        meaning.canShow = word == "off";
        return meaning;
    }
    if (answer.status() == 404 || word.startsWith("unknown command")) {
        link.learnt(kind()).questionsLacking = standbyForm ? 2 : 1;
        meaning.verdict = AnswerMeaning::Verdict::NotThisKind;
        return meaning;
    }
    meaning.verdict = AnswerMeaning::Verdict::Refused;
    meaning.why = QStringLiteral("unverständliche Antwort auf ") + QString::fromLatin1(request.target);
    return meaning;
}

AnswerMeaning NhttpdProtocol::readAnswer(BoxLink &link, std::optional<BoxQuestion> asked, const BoxGet &request,
                                         const HttpAnswer &answer)
{
    const bool identity = asked == BoxQuestion::Identity;
    BoxFirmware::learn(link, identity, answer.serverHeader(), answer.body());
    if (asked == BoxQuestion::Mode)
        return readMode(link, request, answer);
    if (identity)
        link.learnt(kind()).questionsLacking = 0;
    AnswerMeaning meaning;
    meaning.version = version(link);
    if (identity)
        meaning.verdict = BoxFirmware::kindOf(link) == FirmwareKind::Unknown ? AnswerMeaning::Verdict::NotThisKind
                                                                              : AnswerMeaning::Verdict::Accepted;
    else if (SendResult::success(answer.status()))
        meaning.verdict = AnswerMeaning::Verdict::Accepted;
    else
        meaning.verdict = AnswerMeaning::Verdict::Refused; // the status says why
    return meaning;
}

void NhttpdProtocol::unanswered(BoxLink &link, std::optional<BoxQuestion> asked)
{
    BoxFirmware::unanswered(link, asked == BoxQuestion::Identity);
}
