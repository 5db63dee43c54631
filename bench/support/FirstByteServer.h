#pragma once

#include <QByteArray>
#include <QList>

#include <mutex>
#include <thread>

// A box for timing: a thread of its own waits in poll() on one address and
// port and stamps each request with CLOCK_REALTIME the moment its first
// bytes are read, before anything else is done with them. It answers like a
// current nhttpd box in the mode tv, one request a connection: the version
// query, the mode questions ("tv", "off") and everything else with "ok".
class FirstByteServer
{
public:
    struct Request {
        qint64 firstByteNs; // CLOCK_REALTIME, ns since the epoch
        QByteArray target;  // as sent, percent-encoded
    };

    FirstByteServer() = default;
    ~FirstByteServer();
    FirstByteServer(const FirstByteServer &) = delete;
    FirstByteServer &operator=(const FirstByteServer &) = delete;

    // Binds and starts the thread; false when address:port cannot be had.
    bool listen(const char *address, quint16 port);
    QList<Request> requests() const;

    // How late marked messages came: for each marker, the first request
    // whose target carries it, against its due time (ms since the epoch).
    // Waits, looking every 200 ms, until each came or untilMs passed. Prints
    // median, worst and best, and the goal "median <= 10 ms" as met or not;
    // returns whether it was met by all.
    bool reportDelays(const QList<QByteArray> &markers, const QList<qint64> &dueMs, qint64 untilMs) const;

private:
    void run();

    int m_listener = -1;
    int m_stopPipe[2] = {-1, -1};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    QList<Request> m_requests;
};
