#include "BoxServers.h"

#include <QHostAddress>

BoxServers::BoxServers() = default;

bool BoxServers::listen()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        for (auto &server : m_servers)
            server = std::make_unique<RecordingHttpServer>();
        if (!m_servers[0]->listen(QHostAddress(address(1)), 0))
            continue;
        m_port = m_servers[0]->port();
        bool all = true;
        for (int box = 2; box <= 4 && all; ++box)
            all = m_servers[box - 1]->listen(QHostAddress(address(box)), m_port);
        if (all)
            return true;
    }
    return false;
}

QList<int> BoxServers::boxesReached() const
{
    QList<int> boxes;
    for (int box = 1; box <= 4; ++box)
        if (!m_servers[box - 1]->requests().isEmpty())
            boxes << box;
    return boxes;
}

int BoxServers::requestCount() const
{
    int n = 0;
    for (const auto &server : m_servers)
        n += server->requests().size();
    return n;
}

int BoxServers::messageCount() const
{
    int n = 0;
    for (const auto &server : m_servers)
        n += int(server->messages().size());
    return n;
}

QByteArray BoxServers::boxipIni()
{
    QByteArray bytes;
    for (int box = 1; box <= 4; ++box)
        bytes += address(box).toLatin1() + "\r\n";
    bytes += " 0 \r\n 0 \r\n 0 \r\n 0 \r\n";
    return bytes;
}
