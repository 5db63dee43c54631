#include "WebFlood.h"

#include <QEventLoop>
#include <QTcpSocket>

QList<int> WebFlood::run(int count, const Pick &from, const Make &request, const std::function<void(int)> &tick)
{
    QList<int> statuses(count, 0);
    int started = 0;
    int ended = 0;
    QEventLoop loop;
    std::function<void()> next = [&] {
        const int i = started++;
        auto *socket = new QTcpSocket;
        auto *got = new QByteArray;
        socket->bind(from(i));
        QObject::connect(socket, &QTcpSocket::connected, [socket, &request, i] { socket->write(request(i)); });
        QObject::connect(socket, &QTcpSocket::readyRead, [socket, got] { *got += socket->readAll(); });
        // Once per socket: when the page closed it, or it could not connect.
        QObject::connect(socket, &QTcpSocket::stateChanged, [&, socket, got, i](QAbstractSocket::SocketState s) {
            if (s != QAbstractSocket::UnconnectedState)
                return;
            socket->disconnect();
            *got += socket->readAll();
            statuses[i] = got->startsWith("HTTP/1.1 ") ? got->mid(9, 3).toInt() : 0;
            delete got;
            socket->deleteLater();
            ++ended;
            if (tick)
                tick(ended);
            if (started < count)
                next();
            else if (ended == count)
                loop.quit();
        });
        socket->connectToHost(QHostAddress::LocalHost, m_port);
    };
    for (int k = 0; k < qMin(m_inFlight, count); ++k)
        next();
    if (count > 0)
        loop.exec();
    return statuses;
}
