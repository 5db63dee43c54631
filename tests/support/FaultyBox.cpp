#include "FaultyBox.h"

#include <QTcpSocket>

#include <sys/socket.h>

#include <memory>

namespace {
constexpr qint64 kChunk = 64 * 1024;
}

FaultyBox::FaultyBox(Fault fault, QObject *parent)
    : QObject(parent)
    , m_fault(fault)
    , m_server(this)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            m_connections.ref();
            serve(socket);
        }
    });
}

bool FaultyBox::listen(const QHostAddress &address, quint16 port)
{
    const bool ok = m_server.listen(address, port);
    m_port.storeRelaxed(m_server.serverPort());
    return ok;
}

void FaultyBox::serve(QTcpSocket *socket)
{
    auto head = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
        if (head->endsWith("\r\n\r\n"))
            return; // the request is in; anything after it is ignored
        *head += socket->readAll();
        if (!head->contains("\r\n\r\n"))
            return;
        head->truncate(head->indexOf("\r\n\r\n") + 4);
        m_requests.ref();
        switch (m_fault) {
        case Fault::CloseAfterRequest:
            socket->disconnectFromHost();
            return;
        case Fault::ResetAfterRequest: {
            const linger now{1, 0}; // closing then sends RST
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
            socket->abort();
            socket->deleteLater();
            return;
        }
        case Fault::Garbage:
            socket->write("\x16\x03\x01 garbage\r\n\r\n<html>nothing of HTTP</html>");
            socket->disconnectFromHost();
            return;
        case Fault::EndlessBody:
            socket->write("HTTP/1.1 200 OK\r\nServer: nhttpd/3.1.9\r\n\r\n");
            break;
        case Fault::EndlessHeaders:
            socket->write("HTTP/1.1 200 OK\r\n");
            break;
        }
        connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { feed(socket); });
        feed(socket);
    });
}

// Keeps the kernel's send buffer full while the peer reads.
void FaultyBox::feed(QTcpSocket *socket)
{
    if (socket->bytesToWrite() >= kChunk)
        return;
    static const QByteArray body(kChunk, 'x');
    static const QByteArray headers = QByteArray("X-Flood: ").append(QByteArray(90, 'y')).append("\r\n").repeated(600);
    socket->write(m_fault == Fault::EndlessBody ? body : headers);
}
