#include "app/InstanceServer.h"

#include "common/Logging.h"
#include "engine/Engine.h"
#include "app/InstanceRequest.h"

#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

InstanceServer::InstanceServer(Engine *engine, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

bool InstanceServer::listen(const QString &socketName)
{
    QLocalServer::removeServer(socketName);
    return m_server.listen(socketName);
}

namespace {

const char *const kHandled = "zelvoHandled"; // the request was read (or refused)
const char *const kTooLong = "zelvoTooLong"; // past the bound: read on to its end, dropped

} // namespace

void InstanceServer::accept()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        // A caller that never finishes its request would hold the socket forever.
        QTimer::singleShot(kRequestTimeoutMs, socket, [this, socket] {
            socket->waitForReadyRead(0); // what has arrived meanwhile counts
            if (!socket->property(kHandled).toBool())
                refuse(socket, socket->property(kTooLong).toBool()
                                   ? tooLongText()
                                   : QStringLiteral("keine vollständige Anfrage in %1 s").arg(kRequestTimeoutMs / 1000));
        });
    }
}

QString InstanceServer::tooLongText()
{
    return QStringLiteral("Anfrage zu lang (mehr als %1 KB)").arg(InstanceRequest::kMaxLineBytes / 1024);
}

void InstanceServer::read(QLocalSocket *socket)
{
    if (socket->property(kHandled).toBool()) {
        socket->readAll(); // one request per connection: whatever follows it is dropped
        return;
    }
    if (!socket->property(kTooLong).toBool()) {
        const QByteArray head = socket->peek(InstanceRequest::kMaxLineBytes + 1);
        const qsizetype end = head.indexOf('\n');
        if (end >= 0) {
            socket->setProperty(kHandled, true);
            handle(socket, socket->read(end + 1));
            return;
        }
        if (head.size() <= InstanceRequest::kMaxLineBytes)
            return;
        socket->setProperty(kTooLong, true);
    }
    // Read to the end of the line without keeping it, so that the caller
    // reads the answer instead of failing on a closed socket.
    while (socket->bytesAvailable() > 0) {
        if (socket->read(64 * 1024).contains('\n')) {
            refuse(socket, tooLongText());
            return;
        }
    }
}

void InstanceServer::refuse(QLocalSocket *socket, const QString &why)
{
    socket->setProperty(kHandled, true);
    qCInfo(lcSend).noquote() << "Anfrage am lokalen Anschluss abgelehnt:" << why;
    InstanceAnswer answer;
    answer.error = why;
    socket->write(answer.toLine());
    socket->disconnectFromServer();
}

void InstanceServer::handle(QLocalSocket *socket, const QByteArray &line)
{
    QString why;
    const auto request = InstanceRequest::fromLine(line, &why);
    InstanceAnswer answer;
    if (!request) {
        refuse(socket, why);
        return;
    }
    if (request->action == InstanceRequest::Action::ShowWindow) {
        if (m_hasWindow)
            emit showWindowRequested();
        else
            answer.error = QStringLiteral("läuft ohne Fenster");
        answer.ok = m_hasWindow;
        socket->write(answer.toLine());
        socket->disconnectFromServer();
        return;
    }

    QString error;
    ScriptDelivery *delivery = m_engine->sendFromScript(request->boxes, request->message, &error,
                                                         request->expireMinutes);
    if (!delivery) {
        refuse(socket, error);
        return;
    }
    if (!request->wait) {
        answer.ok = true;
        answer.outcomes = delivery->outcomes();
        socket->write(answer.toLine());
        socket->disconnectFromServer();
        connect(delivery, &ScriptDelivery::finished, delivery, &QObject::deleteLater);
        return;
    }
    // The caller may give up waiting; the delivery ends all the same.
    QPointer<QLocalSocket> caller(socket);
    connect(delivery, &ScriptDelivery::finished, this, [delivery, caller] {
        if (caller) {
            InstanceAnswer done;
            done.ok = true;
            done.outcomes = delivery->outcomes();
            caller->write(done.toLine());
            caller->disconnectFromServer();
        }
        delivery->deleteLater();
    });
}
