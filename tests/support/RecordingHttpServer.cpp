#include "RecordingHttpServer.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

QByteArray http(const QByteArray &status, const QByteArray &body, const QByteArray &type = "text/html")
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size())
           + "\r\n\r\n" + body;
}

} // namespace

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
                    const QByteArray answer = answerTo(r.target);
                    if (r.target == "/control/getmode" || r.target == "/control/standby"
                        || (m_enigma2 && r.target == "/api/powerstate")) {
                        m_modeQuestions.append(r);
                    } else {
                        m_requests.append(r);
                        emit requestReceived(r);
                        if (!m_answering || (!m_unanswered.isEmpty() && r.target.startsWith(m_unanswered)))
                            continue;
                    }
                    if (r.target != m_trickled) {
                        socket->write(answer);
                        continue;
                    }
                    auto *trickle = new QTimer(socket);
                    connect(trickle, &QTimer::timeout, socket, [socket, answer, sent = 0]() mutable {
                        socket->write(answer.mid(sent++, 1));
                    });
                    trickle->start(100);
                }
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QByteArray RecordingHttpServer::answerTo(const QByteArray &target) const
{
    static const QList<QByteArray> modes = {"tv", "radio", "standby", "avinput"};
    if (m_enigma2) {
        const QByteArray json = "application/json";
        if (target == "/api/about")
            return http("200 OK", R"({"info": {"brand": "rec", "webifver": "OWIF 1.5.2"}})", json);
        if (target == "/api/powerstate")
            return http("200 OK", "{\"result\": true, \"instandby\": " + QByteArray(m_mode == "standby" ? "true}" : "false}"), json);
        if (target.startsWith("/api/message?"))
            return http("200 OK", R"({"result": true, "message": "ok"})", json);
        return http("404 Not Found", "<html>Not Found</html>");
    }
    if (target == "/control/getmode" || target == "/control/standby") {
        QByteArray word = m_mode;
        if (target == "/control/standby" && modes.contains(m_mode))
            word = m_mode == "standby" ? "on" : "off";
        return word.isEmpty() ? http("404 Not Found", {}) : http("200 OK", word);
    }
    return http("200 OK", "ok");
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
