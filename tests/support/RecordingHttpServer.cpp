#include "RecordingHttpServer.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

RecordingHttpServer::RecordingHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connections;
            socket->setParent(this);
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                *buffer += socket->readAll();
                int end;
                while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                    Request r;
                    r.head = buffer->left(end + 4);
                    buffer->remove(0, end + 4);
                    r.requestLine = r.head.left(r.head.indexOf("\r\n"));
                    const QList<QByteArray> parts = r.requestLine.split(' ');
                    r.target = parts.size() >= 2 ? parts.at(1) : QByteArray();
                    r.localAddress = socket->localAddress();
                    if (r.target == "/control/getmode" || r.target == "/control/standby") {
                        m_modeQuestions.append(r);
                        QByteArray word = m_mode;
                        if (r.target == "/control/standby" && !m_mode.isEmpty())
                            word = m_mode == "standby" ? "on" : "off";
                        socket->write(word.isEmpty() ? QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")
                                                     : "HTTP/1.1 200 OK\r\nContent-Length: "
                                                           + QByteArray::number(word.size()) + "\r\n\r\n" + word);
                        continue;
                    }
                    m_requests.append(r);
                    emit requestReceived(r);
                    if (m_answering && (m_unanswered.isEmpty() || r.target != m_unanswered))
                        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 2\r\n\r\nok");
                }
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool RecordingHttpServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

QList<QByteArray> RecordingHttpServer::targets() const
{
    QList<QByteArray> out;
    for (const Request &r : m_requests)
        out << r.target;
    return out;
}

bool RecordingHttpServer::waitForRequests(int n, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (m_requests.size() < n && t.elapsed() < timeoutMs)
        QTest::qWait(10);
    return m_requests.size() >= n;
}

QList<RecordingHttpServer::Request> RecordingHttpServer::messages() const
{
    QList<Request> out;
    for (const Request &r : m_requests)
        if (r.target.startsWith("/control/message?") || r.target.startsWith("/api/message?"))
            out << r;
    return out;
}
