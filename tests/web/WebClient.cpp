#include "WebClient.h"

#include <QDeadlineTimer>
#include <QTest>

WebReply webExchange(quint16 port, const QByteArray &request, int waitMs)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QByteArray got;
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { got += socket.readAll(); });
    const QDeadlineTimer until(waitMs);
    while (socket.state() != QAbstractSocket::UnconnectedState && !until.hasExpired())
        QTest::qWait(5);
    got += socket.readAll();
    WebReply reply;
    const qsizetype end = got.indexOf("\r\n\r\n");
    if (end < 0)
        return reply;
    const QList<QByteArray> lines = got.left(end).split('\n');
    reply.status = lines.value(0).split(' ').value(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        const QByteArray name = lines.at(i).left(colon).trimmed().toLower();
        const QByteArray value = lines.at(i).mid(colon + 1).trimmed();
        reply.headers.insert(name, reply.headers.contains(name) ? reply.headers.value(name) + ", " + value : value);
    }
    reply.body = got.mid(end + 4);
    return reply;
}

QByteArray webRequest(const QByteArray &method, const QByteArray &target, quint16 port, const QByteArray &headerLines,
                      const QByteArray &body)
{
    QByteArray r = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port)
                   + "\r\nConnection: close\r\n" + headerLines;
    if (!body.isNull())
        r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return r + "\r\n" + body;
}
