#include "boxes/RequestChannel.h"

#include "boxes/HttpTransport.h"

RequestChannel::RequestChannel(HttpTransport *transport, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
{
}

QString RequestChannel::start()
{
    return m_transport->send(m_address, m_message, m_origin);
}

QString RequestChannel::send(const QString &address, const Message &message, const MessageOrigin &origin)
{
    setAddress(address);
    setMessage(message);
    setOrigin(origin);
    return start();
}

void RequestChannel::notSent(const Message &message, const MessageOrigin &origin, const QString &reason)
{
    m_transport->notSent(message, origin, reason);
}

void RequestChannel::identify(const QString &address)
{
    m_transport->identify(address);
}
