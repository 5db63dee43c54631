#include "boxes/nhttpd/NhttpdProtocol.h"

#include "boxes/HttpAnswer.h"
#include "boxes/nhttpd/RequestTarget.h"

NhttpdProtocol::NhttpdProtocol()
    : m_identity{RequestTarget::encodeQuery(RequestTarget::kVersionQuery), {}}
{
}

MessageRequest NhttpdProtocol::messageRequest(const QString &address, const Message &message) const
{
    return request(message, m_firmware.kindOf(address));
}

MessageRequest NhttpdProtocol::preview(const Message &message, Assumed assumed) const
{
    return request(message, assumed == Assumed::Current ? FirmwareKind::New : FirmwareKind::Unknown);
}

MessageRequest NhttpdProtocol::request(const Message &message, FirmwareKind kind)
{
    const RequestTarget::Encoded e = RequestTarget::encode(message, kind);
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
    return RequestTarget::document(message);
}

std::optional<BoxGet> NhttpdProtocol::question(BoxQuestion question) const
{
    if (question == BoxQuestion::Identity)
        return m_identity;
    return std::nullopt;
}

AnswerMeaning NhttpdProtocol::readAnswer(const QString &address, const BoxGet &request, const HttpAnswer &answer)
{
    m_firmware.learn(address, request.target, answer.serverHeader(), answer.body());
    AnswerMeaning meaning;
    meaning.version = version(address);
    if (request.target == m_identity.target)
        meaning.verdict = m_firmware.kindOf(address) == FirmwareKind::Unknown ? AnswerMeaning::Verdict::NotThisKind
                                                                              : AnswerMeaning::Verdict::Accepted;
    else if (answer.status() >= 200 && answer.status() < 300)
        meaning.verdict = AnswerMeaning::Verdict::Accepted;
    else
        meaning.verdict = AnswerMeaning::Verdict::Refused; // the status says why
    return meaning;
}

void NhttpdProtocol::unanswered(const QString &address, const BoxGet &request)
{
    m_firmware.unanswered(address, request.target);
}

QString NhttpdProtocol::version(const QString &address) const
{
    return QString::fromLatin1(m_firmware.versionOf(address));
}
