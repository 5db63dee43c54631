#include "boxes/RequestChannel.h"

#include "boxes/HttpTransport.h"

RequestChannel::RequestChannel(HttpTransport *transport, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
{
}

void RequestChannel::start()
{
    m_transport->send(m_address, m_document);
}

void RequestChannel::send(const QString &address, const QString &document)
{
    setAddress(address);
    setDocument(document);
    start();
}

void RequestChannel::query(const QString &address, const QString &document)
{
    m_transport->query(address, document);
}
