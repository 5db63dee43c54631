#include "boxes/RequestChannel.h"

#include "boxes/HttpTransport.h"

RequestChannel::RequestChannel(HttpTransport *transport, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
{
}

void RequestChannel::start()
{
    m_transport->send(m_address, m_message);
}

void RequestChannel::send(const QString &address, const Message &message)
{
    setAddress(address);
    setMessage(message);
    start();
}

void RequestChannel::query(const QString &address, const QString &document)
{
    m_transport->query(address, document);
}
