#pragma once

#include <QAtomicInt>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

// A misbehaving box on a real socket: it reads a request and then does one
// bad thing. Counts connections and requests so tests can see that every
// GET arrives exactly once. May run on a thread of its own (moveToThread,
// then listen through a queued call); the counters are safe to read anywhere.
class FaultyBox : public QObject
{
    Q_OBJECT
public:
    enum class Fault {
        EndlessBody,    // a status line, then body bytes for ever
        EndlessHeaders, // a status line, then header lines for ever
        CloseAfterRequest,
        ResetAfterRequest,
        Garbage,        // bytes that are no HTTP answer, then close
    };
    Q_ENUM(Fault)

    explicit FaultyBox(Fault fault, QObject *parent = nullptr);

    Q_INVOKABLE bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const { return m_port.loadRelaxed(); }

    int connections() const { return m_connections.loadRelaxed(); }
    int requests() const { return m_requests.loadRelaxed(); }

private:
    void serve(class QTcpSocket *socket);
    void feed(class QTcpSocket *socket);

    Fault m_fault;
    QTcpServer m_server;
    QAtomicInt m_port;
    QAtomicInt m_connections;
    QAtomicInt m_requests;
};
