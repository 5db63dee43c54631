#include "boxes/ProtocolChoice.h"

BoxProtocol &ProtocolChoice::protocolFor(const BoxLink &link)
{
    if (link.kind == BoxKind::Enigma2)
        return m_enigma2;
    return m_nhttpd;
}

QList<BoxProtocol *> ProtocolChoice::identityOrder(const BoxLink &link)
{
    if (link.kind == BoxKind::Enigma2)
        return {&m_enigma2, &m_nhttpd};
    return {&m_nhttpd, &m_enigma2};
}

bool ProtocolChoice::identified(BoxLink &link, const BoxProtocol &asked, const AnswerMeaning &meaning, int status)
{
    if (status <= 0)
        return true; // a box that is off has not changed its kind
    if (meaning.verdict != AnswerMeaning::Verdict::NotThisKind) {
        link.kind = asked.kind();
        link.settled = true;
        return true;
    }
    if (asked.kind() == BoxKind::Enigma2)
        link.kind = BoxKind::Nhttpd;
    return false;
}

void ProtocolChoice::recognisedNone(BoxLink &link)
{
    link.kind = BoxKind::Nhttpd;
    link.settled = true;
}

QString ProtocolChoice::kindOf(const BoxLink &link) const
{
    return link.kind == BoxKind::Enigma2 ? m_enigma2.kindName() : QString();
}

void ProtocolChoice::setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds)
{
    m_nhttpd.setDisplayTimes(popupSeconds, messageSeconds);
    m_enigma2.setDisplayTimes(popupSeconds, messageSeconds);
}
