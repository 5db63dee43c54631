#pragma once

#include "RecordingHttpServer.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>

// Four boxes for tests: one recording HTTP server on each of 127.0.0.2 to
// 127.0.0.5, all on the same port, and the boxip.ini that names them.
class BoxServers
{
public:
    BoxServers();

    // Finds a port that is free on all four addresses.
    bool listen();
    quint16 port() const { return m_port; }

    static QString address(int box) { return QStringLiteral("127.0.0.%1").arg(box + 1); } // box 1..4
    RecordingHttpServer &box(int box) { return *m_servers.at(box - 1); }

    // The boxes that got at least one request, in box order.
    QList<int> boxesReached() const;
    int requestCount() const;
    int messageCount() const; // the requests that were messages

    static QByteArray boxipIni();

private:
    std::array<std::unique_ptr<RecordingHttpServer>, 4> m_servers;
    quint16 m_port = 0;
};
