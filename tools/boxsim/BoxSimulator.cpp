#include "BoxSimulator.h"

#include "BoxRequest.h"
#include "NhttpdReading.h"

#include <QDateTime>
#include <QFileDevice>
#include <QTcpSocket>

#include <memory>

namespace {

// A head larger than this is no request a box would take.
constexpr int kMaxHead = 64 * 1024;

QByteArray answer(const QByteArray &version, const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\n"
           "Server: nhttpd/" + version + "\r\n"
           "Content-Type: text/plain\r\n"
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n"
           "Connection: close\r\n"
           "\r\n" + body;
}

} // namespace

BoxSimulator::BoxSimulator(QIODevice *output, QObject *parent)
    : QObject(parent)
    , m_output(output)
{
    connect(&m_server, &QTcpServer::newConnection, this, &BoxSimulator::onNewConnection);
}

bool BoxSimulator::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

void BoxSimulator::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const int end = buffer->indexOf("\r\n\r\n");
            if (end < 0) {
                if (buffer->size() > kMaxHead)
                    socket->abort();
                return;
            }
            const QByteArray head = buffer->left(end);
            const int lineEnd = head.indexOf("\r\n");
            const BoxRequest request = BoxRequest::fromRequestLine(lineEnd < 0 ? head : head.left(lineEnd), m_firmware);

            const QByteArray line = request.toJsonLine(
                socket->localAddress().toString(),
                QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
            m_output->write(line + '\n');
            // Whoever watches the output sees each request the moment it came.
            if (auto *file = qobject_cast<QFileDevice *>(m_output))
                file->flush();
            ++m_requests;
            emit requestRecorded(line);

            // One request per connection, as the box does.
            buffer->clear();
            const NhttpdReading reading(request.target, m_firmware == FirmwareKind::Old);
            const bool asksVersion = reading.path() == NhttpdReading::kVersionPath
                                     && reading.firstName() == "nhttpd_version";
            socket->write(answer(version(), asksVersion ? version() + '\n' : QByteArray("ok\n")));
            socket->disconnectFromHost();
        });
    }
}
