#include "engine/InstanceServer.h"

#include "engine/Engine.h"
#include "engine/InstanceRequest.h"

#include <QLocalSocket>
#include <QPointer>

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

void InstanceServer::accept()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    }
}

void InstanceServer::read(QLocalSocket *socket)
{
    if (socket->property("zelvoHandled").toBool())
        return;
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes)
            socket->abort();
        return;
    }
    socket->setProperty("zelvoHandled", true);
    handle(socket, socket->readLine(kMaxRequestBytes));
}

void InstanceServer::handle(QLocalSocket *socket, const QByteArray &line)
{
    const auto request = InstanceRequest::fromLine(line);
    InstanceAnswer answer;
    if (!request) {
        answer.error = QStringLiteral("unverständliche Anfrage");
        socket->write(answer.toLine());
        socket->disconnectFromServer();
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
    ScriptDelivery *delivery = m_engine->sendFromScript(request->boxes, request->message, &error);
    if (!delivery) {
        answer.error = error;
        socket->write(answer.toLine());
        socket->disconnectFromServer();
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
