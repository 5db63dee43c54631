#pragma once

#include "boxes/Message.h"

#include <QObject>
#include <QString>

class HttpTransport;

// A request channel (Inet1..Inet4): an address and a message that callers
// set, and a start that hands one GET to the transport and returns at once.
// A setting stays until it is overwritten.
class RequestChannel : public QObject
{
    Q_OBJECT
public:
    explicit RequestChannel(HttpTransport *transport, QObject *parent = nullptr);

    void setAddress(const QString &address) { m_address = address; }
    void setMessage(const Message &message) { m_message = message; }
    QString address() const { return m_address; }
    Message message() const { return m_message; }

    void start();

    // The one way to send a message: set address, set message, start.
    void send(const QString &address, const Message &message);

    // A question that is not a message; the next request to that address
    // waits for its answer.
    void query(const QString &address, const QString &document);

private:
    HttpTransport *m_transport;
    QString m_address;
    Message m_message;
};
