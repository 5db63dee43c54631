#include "boxes/ProtocolChoice.h"

BoxProtocol &ProtocolChoice::protocolFor(const QString &)
{
    return m_nhttpd;
}
