#include "boxes/ProtocolChoice.h"

BoxProtocol &ProtocolChoice::protocolFor(const QString &)
{
    return m_nhttpd;
}

void ProtocolChoice::setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds)
{
    m_nhttpd.setDisplayTimes(popupSeconds, messageSeconds);
}
