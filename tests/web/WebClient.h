#pragma once

#include <QByteArray>
#include <QHash>
#include <QTcpSocket>

// One raw HTTP exchange with the page on 127.0.0.1, through the event loop
// (the server runs on the same thread): the request bytes as given, the
// answer as it came, up to the server's close.
struct WebReply {
    int status = 0; // 0: closed without an answer
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

WebReply webExchange(quint16 port, const QByteArray &request, int waitMs = 20000);
// "GET /api/status HTTP/1.1" with Host, Connection: close, the extra
// header lines and, when body is not null, Content-Length.
QByteArray webRequest(const QByteArray &method, const QByteArray &target, quint16 port,
                      const QByteArray &headerLines = QByteArray(), const QByteArray &body = QByteArray());
