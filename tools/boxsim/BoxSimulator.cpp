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

QByteArray answer(const QByteArray &version, const QByteArray &body, const QByteArray &status = "200 OK")
{
    return "HTTP/1.1 " + status + "\r\n"
           "Server: nhttpd/" + version + "\r\n"
           "Content-Type: text/plain\r\n"
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n"
           "Connection: close\r\n"
           "\r\n" + body;
}

} // namespace

const QList<QByteArray> &BoxSimulator::modes()
{
    static const QList<QByteArray> all{"tv",  "radio", "avinput", "standby",  "audio",  "pic",
                                       "ts",  "webtv", "upnp",    "webradio", "unknown"};
    return all;
}

bool BoxSimulator::setMode(const QByteArray &mode)
{
    if (!modes().contains(mode))
        return false;
    if (mode != m_mode) {
        m_mode = mode;
        emit modeChanged(mode);
    }
    return true;
}

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
            BoxRequest request = BoxRequest::fromRequestLine(lineEnd < 0 ? head : head.left(lineEnd), m_firmware);
            // One request per connection, as the box does.
            buffer->clear();
            const NhttpdReading reading(request.target, m_firmware == FirmwareKind::Old);
            if (reading.path() == kSwitchPath) {
                const QByteArray wanted = reading.value("set");
                const bool ok = wanted.isNull() || setMode(wanted);
                socket->write(ok ? answer(version(), m_mode + '\n')
                                 : answer(version(), "unbekannter Modus\n", "400 Bad Request"));
                socket->disconnectFromHost();
                return;
            }

            // The firmware shows messages only outside these two modes.
            if (!request.kind.isEmpty() && (m_mode == "standby" || m_mode == "avinput")) {
                request.shown.clear();
                request.discarded = QString::fromLatin1(m_mode);
            }
            const QByteArray line = request.toJsonLine(
                socket->localAddress().toString(),
                QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
            m_output->write(line + '\n');
            // Whoever watches the output sees each request the moment it came.
            if (auto *file = qobject_cast<QFileDevice *>(m_output))
                file->flush();
            ++m_requests;
            emit requestRecorded(line);

            const bool asksVersion = reading.path() == NhttpdReading::kVersionPath
                                     && reading.firstName() == "nhttpd_version";
            const bool asksMode = reading.path() == NhttpdReading::kModePath
                                  || reading.path() == NhttpdReading::kStandbyPath;
            if (asksVersion)
                socket->write(answer(version(), version() + '\n'));
            else if (asksMode && !m_knowsMode)
                socket->write(answer(version(), "404 : Not Found\n", "404 Not Found"));
            else if (reading.path() == NhttpdReading::kModePath)
                socket->write(answer(version(), m_mode + '\n'));
            else if (reading.path() == NhttpdReading::kStandbyPath)
                socket->write(answer(version(), m_mode == "standby" ? "on\n" : "off\n"));
            else
                socket->write(answer(version(), "ok\n"));
            socket->disconnectFromHost();
        });
    }
}
