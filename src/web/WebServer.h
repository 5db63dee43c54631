#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QSocketNotifier;
class WebApi;
struct MHD_Daemon;

// The HTTP side of the page: libmicrohttpd, without threads of its own,
// driven from this thread's event loop. One QSocketNotifier watches the
// daemon's epoll descriptor and runs it; a single-shot timer, armed from
// the daemon's own time-out only while connections exist, closes the silent
// ones. With nobody connected the page costs no thread and no timer.
//
// Bounds for a network that is not a trusted place: at most kMaxConnections
// at once (the next wait in the listening queue), kTimeoutSeconds of silence,
// a head over kMaxHead bytes gets 431, a body over kMaxBody 413 (read and
// dropped, never kept). Every answer carries no-store and the headers that
// keep it out of other sites' frames and scripts.
class WebServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 32;
    static constexpr int kTimeoutSeconds = 10;
    static constexpr int kMaxHead = 8 * 1024;
    static constexpr int kMaxBody = 64 * 1024;

    struct Options {
        QString address;         // empty: every address, IPv4 and IPv6
        quint16 port = 0;        // 0: one the system picks (tests)
        QByteArray certificate;  // PEM; both set: HTTPS
        QByteArray key;
    };

    explicit WebServer(WebApi *api, QObject *parent = nullptr);
    ~WebServer() override;

    // Listens; empty on success, otherwise why not, in German.
    QString start(const Options &options);
    void stop();
    bool isRunning() const { return m_daemon != nullptr; }
    quint16 port() const;
    bool isHttps() const { return m_https; }

    struct Exchange; // one request on its way (WebServer.cpp)

private:
    void run();
    void arm();
    void runSoon();
    void handle(const std::shared_ptr<Exchange> &exchange);

    friend struct WebServerCallbacks;

    WebApi *m_api;
    MHD_Daemon *m_daemon = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_timeout;
    bool m_https = false;
    bool m_runQueued = false;
    bool m_atLimit = false; // the daemon listens no more until a run below the limit
    QList<std::weak_ptr<Exchange>> m_suspended; // waiting for their answers
    QByteArray m_certificate; // the daemon reads them while it runs
    QByteArray m_key;
};
