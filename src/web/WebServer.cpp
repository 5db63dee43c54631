#include "web/WebServer.h"

#include "web/WebApi.h"
#include "common/Logging.h"

#include <QHostAddress>
#include <QPointer>
#include <QSocketNotifier>

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

// One request: what was read of it, and its answer once known. Shared
// between the daemon's connection and a WebApi answer that may come after
// the connection ended.
struct WebServer::Exchange {
    MHD_Connection *connection = nullptr;
    WebRequest request;
    bool started = false;
    bool headTooLarge = false;
    bool bodyTooLarge = false;
    bool suspended = false;
    bool ended = false; // the connection is gone
    std::optional<WebAnswer> answer;
};

namespace {

// Below this pool a head of kMaxHead is still read whole, so that it is
// answered with 431 here; a much larger one the daemon refuses itself.
constexpr size_t kConnectionMemory = 32 * 1024;

void logDaemon(void *, const char *format, va_list args)
{
    char line[512];
    std::vsnprintf(line, sizeof line, format, args);
    qCDebug(lcWeb).noquote() << QString::fromLocal8Bit(line).trimmed();
}

MHD_Result collectHeader(void *exchange, MHD_ValueKind, const char *key, const char *value)
{
    auto *e = static_cast<WebServer::Exchange *>(exchange);
    const QByteArray name = QByteArray(key).toLower();
    const QByteArray v(value ? value : "");
    // A header given twice reads as one list, as HTTP has it.
    e->request.headers.insert(name, e->request.headers.contains(name) ? e->request.headers.value(name) + ", " + v : v);
    return MHD_YES;
}

// The head as it came: the request line, and per header name, ": ",
// value and CR LF.
qsizetype headSize(const WebServer::Exchange &e)
{
    qsizetype size = e.request.method.size() + e.request.path.size() + e.request.query.size() + 12;
    for (auto it = e.request.headers.cbegin(); it != e.request.headers.cend(); ++it)
        size += it.key().size() + it.value().size() + 4;
    return size;
}

QString peerOf(MHD_Connection *connection)
{
    const MHD_ConnectionInfo *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return QString();
    QHostAddress address(info->client_addr);
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4).toString() : address.toString();
}

MHD_Result queue(MHD_Connection *connection, const WebAnswer &answer)
{
    MHD_Response *response = MHD_create_response_from_buffer(size_t(answer.body.size()),
                                                             const_cast<char *>(answer.body.constData()),
                                                             MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    const QList<QPair<QByteArray, QByteArray>> always = {
        {"Content-Type", answer.contentType.isEmpty() ? QByteArray("text/plain; charset=utf-8") : answer.contentType},
        {"Cache-Control", "no-store"},
        {"Content-Security-Policy", "default-src 'self'"},
        {"X-Frame-Options", "DENY"},
        {"Referrer-Policy", "no-referrer"},
        {"X-Content-Type-Options", "nosniff"},
    };
    for (const auto &header : always + answer.headers)
        MHD_add_response_header(response, header.first.constData(), header.second.constData());
    const MHD_Result queued = MHD_queue_response(connection, unsigned(answer.status), response);
    MHD_destroy_response(response);
    return queued;
}

} // namespace

struct WebServerCallbacks {
    static MHD_Result request(void *cls, MHD_Connection *connection, const char *url, const char *method,
                              const char *, const char *uploadData, size_t *uploadSize, void **context)
    {
        auto *server = static_cast<WebServer *>(cls);
        auto *&slot = reinterpret_cast<std::shared_ptr<WebServer::Exchange> *&>(*context);
        if (!slot) {
            // The head is read: keep what is needed, judge its size.
            slot = new std::shared_ptr<WebServer::Exchange>(std::make_shared<WebServer::Exchange>());
            WebServer::Exchange &e = **slot;
            e.connection = connection;
            e.request.method = method;
            const QByteArray target(url);
            e.request.path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
            e.request.https = server->m_https;
            e.request.peer = peerOf(connection);
            MHD_get_connection_values(connection, MHD_HEADER_KIND, collectHeader, &e);
            // The daemon splits the query off the URL; the raw arguments again.
            MHD_get_connection_values(
                connection, MHD_GET_ARGUMENT_KIND,
                [](void *exchange, MHD_ValueKind, const char *key, const char *value) -> MHD_Result {
                    auto *x = static_cast<WebServer::Exchange *>(exchange);
                    if (!x->request.query.isEmpty())
                        x->request.query += '&';
                    x->request.query += QByteArray(key).toPercentEncoding();
                    if (value)
                        x->request.query += '=' + QByteArray(value).toPercentEncoding();
                    return MHD_YES;
                },
                &e);
            e.headTooLarge = headSize(e) > WebServer::kMaxHead;
            return MHD_YES;
        }
        WebServer::Exchange &e = **slot;
        if (*uploadSize > 0) {
            // Read, and kept only within the bound.
            if (!e.bodyTooLarge && e.request.body.size() + qsizetype(*uploadSize) <= WebServer::kMaxBody)
                e.request.body.append(uploadData, qsizetype(*uploadSize));
            else if (!e.bodyTooLarge) {
                e.bodyTooLarge = true;
                e.request.body = QByteArray();
            }
            *uploadSize = 0;
            return MHD_YES;
        }
        if (e.answer)
            return queue(connection, *e.answer);
        if (e.started) // resumed without an answer: none will come
            return MHD_NO;
        e.started = true;
        server->handle(*slot);
        if (e.answer)
            return queue(connection, *e.answer);
        e.suspended = true;
        server->m_suspended.push_back(*slot);
        MHD_suspend_connection(connection);
        return MHD_YES;
    }

    static void completed(void *, MHD_Connection *, void **context, MHD_RequestTerminationCode)
    {
        auto *slot = static_cast<std::shared_ptr<WebServer::Exchange> *>(*context);
        if (!slot)
            return;
        (*slot)->ended = true;
        delete slot;
        *context = nullptr;
    }
};

WebServer::WebServer(WebApi *api, QObject *parent)
    : QObject(parent)
    , m_api(api)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &WebServer::run);
}

WebServer::~WebServer()
{
    stop();
}

QString WebServer::start(const Options &options)
{
    stop();
    m_https = !options.certificate.isEmpty() && !options.key.isEmpty();
    m_certificate = options.certificate;
    m_key = options.key;
    unsigned flags = MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG;
    if (m_https)
        flags |= MHD_USE_TLS;
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    const sockaddr *bindTo = nullptr;
    if (options.address.isEmpty()) {
        flags |= MHD_USE_DUAL_STACK;
    } else {
        const QHostAddress address(options.address);
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            v4.sin_family = AF_INET;
            v4.sin_port = htons(options.port);
            v4.sin_addr.s_addr = htonl(address.toIPv4Address());
            bindTo = reinterpret_cast<const sockaddr *>(&v4);
        } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
            flags |= MHD_USE_IPv6;
            v6.sin6_family = AF_INET6;
            v6.sin6_port = htons(options.port);
            const Q_IPV6ADDR bytes = address.toIPv6Address();
            std::memcpy(&v6.sin6_addr, bytes.c, sizeof bytes.c);
            bindTo = reinterpret_cast<const sockaddr *>(&v6);
        } else {
            return QStringLiteral("„%1“ ist keine IP-Adresse dieses Rechners").arg(options.address);
        }
    }
    MHD_OptionItem tls[] = {
        {MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char *>(m_key.constData())},
        {MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char *>(m_certificate.constData())},
        {MHD_OPTION_END, 0, nullptr},
    };
    MHD_OptionItem none[] = {{MHD_OPTION_END, 0, nullptr}};
    // The logger first, so that the daemon says nothing on stderr itself.
    m_daemon = MHD_start_daemon(
        flags, options.port, nullptr, nullptr, reinterpret_cast<MHD_AccessHandlerCallback>(&WebServerCallbacks::request),
        this, MHD_OPTION_EXTERNAL_LOGGER, &logDaemon, nullptr, MHD_OPTION_CONNECTION_LIMIT, unsigned(kMaxConnections),
        MHD_OPTION_CONNECTION_TIMEOUT, unsigned(kTimeoutSeconds), MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory,
        MHD_OPTION_NOTIFY_COMPLETED, &WebServerCallbacks::completed, this, MHD_OPTION_SOCK_ADDR, bindTo,
        MHD_OPTION_ARRAY, m_https ? tls : none, MHD_OPTION_END);
    if (!m_daemon) {
        return m_https ? QStringLiteral("Port %1 ist belegt, oder Zertifikat und Schlüssel passen nicht").arg(options.port)
                       : QStringLiteral("Port %1 ist belegt oder die Adresse gehört nicht zu diesem Rechner")
                             .arg(options.port);
    }
    const MHD_DaemonInfo *info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_EPOLL_FD);
    m_notifier = new QSocketNotifier(info->epoll_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &WebServer::run);
    return QString();
}

void WebServer::stop()
{
    if (!m_daemon)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    m_timeout.stop();
    // The daemon stops only without suspended connections (else it aborts
    // the process): those still waiting for their answer get one now, and
    // an answer that comes later finds its connection ended.
    for (const std::weak_ptr<Exchange> &waiting : std::exchange(m_suspended, {})) {
        const std::shared_ptr<Exchange> x = waiting.lock();
        if (!x || x->ended || !x->suspended)
            continue;
        x->answer = WebAnswer::error(503, QStringLiteral("Zelvo wird beendet."));
        x->suspended = false;
        MHD_resume_connection(x->connection);
    }
    MHD_run(m_daemon);
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
}

quint16 WebServer::port() const
{
    if (!m_daemon)
        return 0;
    const MHD_DaemonInfo *info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info ? info->port : 0;
}

void WebServer::handle(const std::shared_ptr<Exchange> &exchange)
{
    Exchange &e = *exchange;
    if (e.headTooLarge) {
        e.answer = WebAnswer::error(431, QStringLiteral("Die Anfrage hat zu viele oder zu lange Kopfzeilen."));
        return;
    }
    if (e.bodyTooLarge) {
        e.answer = WebAnswer::error(413, QStringLiteral("Die Anfrage ist zu groß (höchstens 64 KB)."));
        return;
    }
    const std::weak_ptr<Exchange> later = exchange;
    QPointer<WebServer> self(this);
    m_api->answer(e.request, [later, self](WebAnswer answer) {
        const std::shared_ptr<Exchange> x = later.lock();
        if (!x || x->ended)
            return;
        x->answer = std::move(answer);
        if (x->suspended && self && self->m_daemon) {
            x->suspended = false;
            self->m_suspended.removeIf([&later](const std::weak_ptr<Exchange> &w) {
                return !w.owner_before(later) && !later.owner_before(w);
            });
            MHD_resume_connection(x->connection);
            self->runSoon();
        }
    });
}

// An answer that came while the daemon was not running: it goes out on
// the next turn of the event loop, never from within the daemon's call.
void WebServer::runSoon()
{
    if (m_runQueued)
        return;
    m_runQueued = true;
    QMetaObject::invokeMethod(this, [this] {
        m_runQueued = false;
        run();
    }, Qt::QueuedConnection);
}

void WebServer::run()
{
    if (!m_daemon)
        return;
    MHD_run(m_daemon);
    // At the connection limit the daemon leaves its listening socket out of
    // the epoll set and takes it back only at the start of a run: once the
    // connections are gone nothing else would wake it, so it runs again.
    const MHD_DaemonInfo *info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
    const bool atLimit = info && info->num_connections >= unsigned(kMaxConnections);
    if (m_atLimit && !atLimit)
        MHD_run(m_daemon);
    m_atLimit = atLimit;
    arm();
}

void WebServer::arm()
{
    MHD_UNSIGNED_LONG_LONG ms = 0;
    if (MHD_get_timeout(m_daemon, &ms) == MHD_YES)
        m_timeout.start(int(qMin<MHD_UNSIGNED_LONG_LONG>(ms, INT_MAX)));
    else
        m_timeout.stop();
}
