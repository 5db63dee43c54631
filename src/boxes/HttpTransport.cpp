#include "boxes/HttpTransport.h"

#include "boxes/RequestTarget.h"
#include "common/Logging.h"

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

namespace {
constexpr int kKeptBody = 4096;
}

HttpTransport::HttpTransport(quint16 port, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_timeoutMs(timeoutMs)
{
    // The boxes stand on the home network: never through a proxy from the environment.
    m_nam.setProxy(QNetworkProxy::NoProxy);
    m_nam.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(this, &HttpTransport::answered, this, [this](const QString &address, const QByteArray &target,
                                                         const QByteArray &server, const QByteArray &body) {
        m_firmware.learn(address, target, server, body);
    });
}

void HttpTransport::send(const QString &address, const QString &document)
{
    const QString host = RequestTarget::sendableHost(address);
    if (host.isEmpty()) {
        drop(address, RequestTarget::encode(document, FirmwareKind::Unknown).target,
             QStringLiteral("Adresse wird nicht angesprochen"));
        return;
    }
    Pending p{document, {}};
    p.queued.start();
    m_lanes[host].waiting.enqueue(p);
    pump(host);
}

void HttpTransport::query(const QString &address, const QString &document)
{
    // Requests to one address already go one after another.
    send(address, document);
}

int HttpTransport::pendingCount() const
{
    int n = 0;
    for (const Lane &lane : m_lanes)
        n += lane.waiting.size() + (lane.busy ? 1 : 0);
    return n;
}

void HttpTransport::drop(const QString &address, const QByteArray &target, const QString &why)
{
    qCWarning(lcSend).noquote() << "nicht gesendet an" << ('"' + address + '"') << target << "-" << why;
    emit finished(address, target, 0, why);
}

void HttpTransport::pump(const QString &host)
{
    Lane &lane = m_lanes[host];
    while (!lane.busy && !lane.waiting.isEmpty()) {
        const Pending p = lane.waiting.dequeue();
        // Encoded only now, for what is known of the box by this time.
        const QByteArray target = RequestTarget::encodeDocument(p.document, m_firmware.kindOf(host));
        if (p.queued.elapsed() >= m_timeoutMs) {
            drop(host, target, QStringLiteral("%1 s in der Warteschlange").arg(m_timeoutMs / 1000.0));
            continue;
        }
        const QUrl url = QUrl::fromEncoded("http://" + host.toLatin1() + ':' + QByteArray::number(m_port) + target,
                                           QUrl::StrictMode);
        if (!url.isValid() || !target.startsWith('/')) {
            drop(host, target, QStringLiteral("ungültiges Ziel"));
            continue;
        }
        lane.busy = true;
        QNetworkRequest request(url);
        request.setTransferTimeout(m_timeoutMs);
        qCInfo(lcSend).noquote() << "GET" << host << target;
        QNetworkReply *reply = m_nam.get(request);
        // The time-out covers the whole request, connect included.
        auto *limit = new QTimer(reply);
        limit->setSingleShot(true);
        limit->setTimerType(Qt::PreciseTimer);
        connect(limit, &QTimer::timeout, reply, [reply] {
            reply->setProperty("timedOut", true);
            reply->abort();
        });
        limit->start(m_timeoutMs);
        // Only the start of the body is kept; it holds all a box has to say.
        auto body = std::make_shared<QByteArray>();
        const auto keep = [reply, body] {
            body->append(reply->readAll().left(qMax(0, kKeptBody - int(body->size()))));
        };
        connect(reply, &QNetworkReply::readyRead, reply, keep);
        connect(reply, &QNetworkReply::finished, this, [this, reply, host, target, body, keep] {
            keep();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            QString error;
            if (reply->property("timedOut").toBool()
                || reply->error() == QNetworkReply::OperationCanceledError)
                error = QStringLiteral("keine Antwort nach %1 s").arg(m_timeoutMs / 1000.0);
            else if (reply->error() != QNetworkReply::NoError && status == 0)
                error = reply->errorString();
            if (error.isEmpty())
                qCInfo(lcSend).noquote() << "Antwort von" << host << status << target;
            else
                qCWarning(lcSend).noquote() << "Fehler bei" << host << target << "-" << error;
            reply->deleteLater();
            m_lanes[host].busy = false;
            if (status > 0)
                emit answered(host, target, reply->rawHeader("Server"), *body);
            emit finished(host, target, status, error);
            pump(host);
        });
    }
}
