#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

// One request to the page as the server read it, within its bounds.
struct WebRequest {
    QByteArray method;
    QByteArray path;  // without the query
    QByteArray query; // after "?", undecoded
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QString peer; // the client's address
    bool https = false;

    QByteArray header(const char *name) const { return headers.value(QByteArray(name)); }
    // The value of a cookie, empty when none.
    QByteArray cookie(const QByteArray &name) const;
};

// Its answer. The server adds the headers every answer carries.
struct WebAnswer {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    static WebAnswer json(int status, const QByteArray &body);
    // {"error":"<sentence>"}
    static WebAnswer error(int status, const QString &sentence);
};
