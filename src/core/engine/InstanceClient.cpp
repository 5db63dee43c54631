#include "engine/InstanceClient.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

std::optional<InstanceAnswer> InstanceClient::ask(const QString &socketName, const InstanceRequest &request,
                                                  int answerTimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketName);
    if (!socket.waitForConnected(2000))
        return std::nullopt;
    socket.write(request.toLine());
    if (!socket.waitForBytesWritten(2000))
        return std::nullopt;
    const QDeadlineTimer deadline(answerTimeoutMs);
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState)
            break;
        socket.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 1000)));
    }
    if (!socket.canReadLine())
        return std::nullopt;
    return InstanceAnswer::fromLine(socket.readLine());
}
