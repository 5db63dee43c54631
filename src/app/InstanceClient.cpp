#include "app/InstanceClient.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

InstanceClient::Reply InstanceClient::deliver(const QString &socketName, const InstanceRequest &request,
                                              int answerTimeoutMs)
{
    Reply reply;
    QLocalSocket socket;
    socket.connectToServer(socketName);
    if (!socket.waitForConnected(2000))
        return reply;
    reply.state = Reply::State::Unknown;
    const QDeadlineTimer deadline(answerTimeoutMs);
    socket.write(request.toLine());
    while (socket.bytesToWrite() > 0 && socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired())
        socket.waitForBytesWritten(int(qMin<qint64>(deadline.remainingTime(), 1000)));
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState)
            break;
        socket.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 1000)));
    }
    if (!socket.canReadLine()) {
        reply.timedOut = deadline.hasExpired();
        return reply;
    }
    if (const auto answer = InstanceAnswer::fromLine(socket.readLine())) {
        reply.state = Reply::State::Answered;
        reply.answer = *answer;
    }
    return reply;
}

std::optional<InstanceAnswer> InstanceClient::ask(const QString &socketName, const InstanceRequest &request,
                                                  int answerTimeoutMs)
{
    const Reply reply = deliver(socketName, request, answerTimeoutMs);
    if (reply.state != Reply::State::Answered)
        return std::nullopt;
    return reply.answer;
}
