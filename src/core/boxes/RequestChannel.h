#pragma once

#include "boxes/Delivery.h"
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
    // Where the next messages come from, for the delivery record.
    void setOrigin(const MessageOrigin &origin) { m_origin = origin; }
    QString address() const { return m_address; }
    Message message() const { return m_message; }

    // Returns why the message was refused at once, or an empty text when it
    // is on its way.
    QString start();

    // The one way to send a message: set address, message and origin, start.
    QString send(const QString &address, const Message &message, const MessageOrigin &origin = MessageOrigin());

    // A message that has no box to go to: recorded as not sent, with why.
    void notSent(const Message &message, const MessageOrigin &origin, const QString &reason);

    // Asks the box what it is (HttpTransport::identify); the next request
    // to that address waits for its answer.
    void identify(const QString &address);

private:
    HttpTransport *m_transport;
    QString m_address;
    Message m_message;
    MessageOrigin m_origin;
};
