#include "FirstByteServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDateTime>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

qint64 realtimeNs()
{
    timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QByteArray answerFor(const QByteArray &target)
{
    const QByteArray body = target == "/control/getmode"                  ? "tv\n"
        : target == "/control/standby"                                    ? "off\n"
        : target.startsWith("/control/info?nhttpd_version")               ? "3.6.0\n"
                                                                          : "ok\n";
    return "HTTP/1.1 200 OK\r\nServer: nhttpd/3.6.0\r\nContent-Type: text/plain\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

struct Connection {
    int fd;
    QByteArray buffer;
    qint64 firstByteNs = 0; // when its first bytes were read
};

} // namespace

FirstByteServer::~FirstByteServer()
{
    if (m_thread.joinable()) {
        (void)!::write(m_stopPipe[1], "x", 1);
        m_thread.join();
    }
    for (int fd : {m_listener, m_stopPipe[0], m_stopPipe[1]})
        if (fd >= 0)
            ::close(fd);
}

bool FirstByteServer::listen(const char *address, quint16 port)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (m_listener < 0 || ::inet_pton(AF_INET, address, &sa.sin_addr) != 1
        || ::bind(m_listener, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0 || ::listen(m_listener, 16) != 0
        || ::pipe2(m_stopPipe, O_CLOEXEC) != 0)
        return false;
    m_thread = std::thread([this] { run(); });
    return true;
}

QList<FirstByteServer::Request> FirstByteServer::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void FirstByteServer::run()
{
    std::vector<Connection> connections;
    for (;;) {
        std::vector<pollfd> fds{{m_stopPipe[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const Connection &c : connections)
            fds.push_back({c.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        const qint64 now = realtimeNs(); // before anything else is looked at
        if (fds[0].revents)
            break;
        for (size_t i = 2; i < fds.size(); ++i) {
            Connection &c = connections[i - 2];
            if (!fds[i].revents)
                continue;
            char chunk[4096];
            const ssize_t n = ::read(c.fd, chunk, sizeof chunk);
            if (n <= 0) {
                ::close(c.fd);
                c.fd = -1;
                continue;
            }
            if (c.buffer.isEmpty())
                c.firstByteNs = now;
            c.buffer.append(chunk, n);
            const int end = c.buffer.indexOf("\r\n\r\n");
            if (end < 0)
                continue;
            const QByteArray target = c.buffer.left(c.buffer.indexOf("\r\n")).split(' ').value(1);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.append({c.firstByteNs, target});
            }
            // One request a connection, as the box's web server does.
            const QByteArray answer = answerFor(target);
            (void)!::write(c.fd, answer.constData(), answer.size());
            ::close(c.fd);
            c.fd = -1;
        }
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                connections.push_back({fd, QByteArray(), 0});
        }
        connections.erase(std::remove_if(connections.begin(), connections.end(),
                                         [](const Connection &c) { return c.fd < 0; }),
                          connections.end());
    }
    for (const Connection &c : connections)
        ::close(c.fd);
}

bool FirstByteServer::reportDelays(const QList<QByteArray> &markers, const QList<qint64> &dueMs, qint64 untilMs) const
{
    std::vector<double> delays;
    while (QDateTime::currentMSecsSinceEpoch() < untilMs) {
        QThread::msleep(200);
        const QList<Request> got = requests();
        delays.clear();
        for (qsizetype i = 0; i < markers.size(); ++i) {
            const auto it = std::find_if(got.cbegin(), got.cend(),
                                         [&](const Request &r) { return r.target.contains(markers.at(i)); });
            if (it != got.cend())
                delays.push_back((it->firstByteNs - dueMs.at(i) * 1000000) / 1e6);
        }
        if (qsizetype(delays.size()) == markers.size())
            break;
    }
    std::sort(delays.begin(), delays.end());
    const size_t n = delays.size();
    if (n == 0) {
        std::printf("  no message reached the box\ngoal on the wire: median <= 10 ms: NOT met\n");
        return false;
    }
    const double median = n % 2 ? delays[n / 2] : (delays[n / 2 - 1] + delays[n / 2]) / 2;
    const bool met = median <= 10 && qsizetype(n) == markers.size();
    std::printf("  due second to first byte at the box: median %.1f ms, worst %.1f ms, best %.1f ms over %zu of %lld\n"
                "goal on the wire: median <= 10 ms: %s\n",
                median, delays.back(), delays.front(), n, qint64(markers.size()), met ? "met" : "NOT met");
    return met;
}
