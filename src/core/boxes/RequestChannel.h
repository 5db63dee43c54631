#pragma once

#include <QObject>
#include <QString>

class HttpTransport;

// A request channel (Inet1..Inet4): a request address and a request document
// that callers set, and a start that hands one GET to the transport and
// returns at once. A setting stays until it is overwritten.
class RequestChannel : public QObject
{
    Q_OBJECT
public:
    explicit RequestChannel(HttpTransport *transport, QObject *parent = nullptr);

    void setAddress(const QString &address) { m_address = address; }
    void setDocument(const QString &document) { m_document = document; }
    QString address() const { return m_address; }
    QString document() const { return m_document; }

    void start();

    // The one way to send a message: set address, set document, start.
    void send(const QString &address, const QString &document);

    // A question whose answer the next request to that address waits for.
    void query(const QString &address, const QString &document);

private:
    HttpTransport *m_transport;
    QString m_address;
    QString m_document;
};
