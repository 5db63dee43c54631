#include "boxes/HttpTransport.h"

#include "boxes/BoxAddress.h"
#include "boxes/HttpAnswer.h"
#include "boxes/NameLookup.h"
#include "boxes/RequestTarget.h"
#include "common/Logging.h"
#include "common/SystemErrorText.h"

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

// What Qt buffers of an answer before Zelvo has read it: about one look.
constexpr qint64 kReadBufferBytes = 4096;
// Addresses whose refusal is remembered; beyond that the memory starts anew.
constexpr int kRefusalsRemembered = 32;

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

QString socketErrorText(const QTcpSocket *socket)
{
    switch (socket->error()) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Verbindung abgelehnt");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("Verbindung geschlossen ohne Antwort");
    case QAbstractSocket::NetworkError:
        return SystemErrorText::ofSocket(socket->error(), socket->errorString());
    default:
        return SystemErrorText::ofSocket(socket->error(), socket->errorString());
    }
}

bool isPrintableTarget(const QByteArray &target)
{
    return target.startsWith('/')
           && std::all_of(target.begin(), target.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

} // namespace

// One hand-over: the request and, once under way, its connection.
class HttpTransport::Request : public QObject
{
public:
    explicit Request(QObject *parent) : QObject(parent) {}

    quint64 id = 0;
    QString key; // the address as configured, trimmed
    Message message;
    MessageOrigin origin;
    QString queryDocument; // set for a query, which is no message
    bool isQuery = false;
    QElapsedTimer age;
    QTimer limit;
    NameLookup *lookup = nullptr; // while it waits for its name's address
    QTcpSocket *socket = nullptr;
    QByteArray target;
    qint64 toWrite = -1; // bytes of the request not yet written; -1 before writing
    bool started = false;
    bool connected = false;
    bool done = false;
    bool refused = false; // its address is not contacted
    bool timedOut = false;
    bool connectionRefused = false;
    HttpAnswer answer;

    bool written() const { return toWrite == 0; }
};

HttpTransport::HttpTransport(quint16 port, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_timeoutMs(timeoutMs)
{
    connect(this, &HttpTransport::answered, this, [this](const QString &address, const QByteArray &target,
                                                         const QByteArray &server, const QByteArray &body) {
        m_firmware.learn(address, target, server, body);
    });
}

// Requests still waiting for a name's look-up stop waiting with their
// objects; the look-up is left to run out.
HttpTransport::~HttpTransport() = default;

QString HttpTransport::send(const QString &address, const Message &message, const MessageOrigin &origin)
{
    auto *r = new Request(this);
    r->message = message;
    r->origin = origin;
    return hand(r, address);
}

quint64 HttpTransport::submit(const QString &address, const Message &message)
{
    auto *r = new Request(this);
    r->message = message;
    const quint64 id = m_nextId;
    hand(r, address);
    return id;
}

void HttpTransport::identify(const QString &address)
{
    query(address, RequestTarget::kVersionQuery);
}

void HttpTransport::notSent(const Message &message, const MessageOrigin &origin, const QString &reason)
{
    const quint64 id = m_nextId++;
    emit handedOver(id, QString(), message, origin);
    emit delivered(id, DeliveryOutcome::NotSent, 0, reason);
}

void HttpTransport::query(const QString &address, const QString &document)
{
    auto *r = new Request(this);
    r->queryDocument = document;
    r->isQuery = true;
    hand(r, address);
}

// The request target, encoded for what is known of the box by now.
QByteArray HttpTransport::targetOf(const Request *r, bool logged) const
{
    if (r->isQuery)
        return RequestTarget::encodeQuery(r->queryDocument);
    const FirmwareKind kind = m_firmware.kindOf(r->key);
    return logged ? RequestTarget::encodeLogged(r->message, kind) : RequestTarget::encode(r->message, kind).target;
}

QString HttpTransport::hand(Request *r, const QString &address)
{
    const QString key = address.trimmed();
    r->key = key;
    r->id = m_nextId++;
    if (!r->isQuery)
        emit handedOver(r->id, key, r->message, r->origin);
    const BoxAddress box = BoxAddress::read(key);
    if (!box.needsLookup() && !box.usable()) {
        // Refused by its text alone: nothing to queue or wait for.
        const QByteArray target = targetOf(r, false);
        const quint64 id = r->id;
        const bool isQuery = r->isQuery;
        delete r;
        logNotSent(key, target, box.reason());
        if (!isQuery) {
            emit delivered(id, DeliveryOutcome::NotSent, 0, box.reason());
            emitDone(id, {DeliveryOutcome::NotSent, 0, box.reason(), QString()});
        }
        emit finished(key, target, 0, box.reason());
        return box.reason();
    }
    r->age.start();
    r->limit.setSingleShot(true);
    r->limit.setInterval(r->isQuery ? std::min(kQueryTimeoutMs, m_timeoutMs) : m_timeoutMs);
    connect(&r->limit, &QTimer::timeout, this, [this, r] {
        r->timedOut = true;
        if (r->answer.status() > 0)
            finish(r, r->answer.status(), QString()); // answered, the rest of it came too slowly
        else
            finish(r, 0, timeoutReason(r));
    });
    r->limit.start();
    m_requests.insert(r->id, r);
    m_lanes[r->key].order.append(r);
    service(r->key);
    return QString();
}

// What the request was doing when its time ran out.
QString HttpTransport::timeoutReason(const Request *r)
{
    const QString after = seconds(r->limit.interval());
    if (!r->started || (r->connected && r->toWrite < 0))
        return QStringLiteral("nicht gesendet nach %1 s (wartete hinter früheren Nachrichten an diese Box)").arg(after);
    if (r->lookup)
        return QStringLiteral("Name nach %1 s noch nicht aufgelöst").arg(after);
    if (!r->connected)
        return QStringLiteral("keine Verbindung nach %1 s").arg(after);
    return QStringLiteral("keine Antwort nach %1 s").arg(after);
}

// How a request ended, for the delivery record; the log keeps its own words.
DeliveryOutcome HttpTransport::outcomeOf(const Request *r, int status)
{
    if (status > 0)
        return DeliveryOutcome::Answered;
    if (r->refused)
        return DeliveryOutcome::NotSent;
    if (r->connectionRefused)
        return DeliveryOutcome::ConnectionRefused;
    if (r->timedOut)
        return r->started && !(r->connected && r->toWrite < 0) ? DeliveryOutcome::TimedOut : DeliveryOutcome::Dropped;
    return DeliveryOutcome::Failed;
}

// Runs the lanes whose state changed; calls made while it runs (a request
// failing at once) only mark their lane.
void HttpTransport::service(const QString &key)
{
    m_dirty.insert(key);
    if (m_servicing)
        return;
    m_servicing = true;
    while (!m_dirty.isEmpty()) {
        const QString k = *m_dirty.begin();
        m_dirty.erase(m_dirty.begin());
        if (!m_lanes.contains(k))
            continue;
        writeWhatMayGo(k);
        startWhatMayStart(k);
        const Lane &lane = m_lanes[k];
        if (lane.order.isEmpty() && lane.open == 0)
            m_lanes.remove(k);
    }
    m_servicing = false;
}

void HttpTransport::startWhatMayStart(const QString &key)
{
    const QList<Request *> order = m_lanes[key].order; // a start may fail at once and leave it
    for (Request *r : order) {
        if (m_lanes[key].open >= kMaxConnectionsPerBox)
            return;
        if (!r->started && !r->done)
            start(r);
        // Nothing behind a query starts before the query is done.
        if (r->isQuery)
            return;
    }
}

void HttpTransport::writeWhatMayGo(const QString &key)
{
    Lane &lane = m_lanes[key];
    while (!lane.order.isEmpty()) {
        Request *r = lane.order.first();
        if (r->done || (r->written() && !r->isQuery)) {
            lane.order.removeFirst();
            continue;
        }
        if (r->connected && r->toWrite < 0) {
            // Encoded only now: what was learnt from the box meanwhile counts.
            r->target = targetOf(r, true);
            if (!isPrintableTarget(r->target)) {
                finish(r, 0, QStringLiteral("ungültiges Ziel"));
                continue;
            }
            const QByteArray host = r->key.toLatin1() + (m_port == 80 ? QByteArray() : ':' + QByteArray::number(m_port));
            const QByteArray request =
                "GET " + r->target + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
            r->toWrite = request.size();
            qCInfo(lcSend).noquote() << "GET" << r->key << r->target;
            r->socket->write(request);
        }
        return; // the first one not yet written holds the rest back
    }
}

void HttpTransport::start(Request *r)
{
    r->started = true;
    ++m_lanes[r->key].open;
    const BoxAddress box = BoxAddress::read(r->key);
    if (!box.needsLookup()) { // a literal address: nothing to look up
        connectTo(r, box);
        return;
    }
    r->lookup = new NameLookup(r->key, r);
    connect(r->lookup, &NameLookup::resolved, this, [this, r](const BoxAddress &resolved) {
        r->lookup->deleteLater();
        r->lookup = nullptr;
        if (!r->done)
            connectTo(r, resolved);
    });
}

void HttpTransport::connectTo(Request *r, const BoxAddress &box)
{
    if (!box.usable()) {
        r->refused = true;
        finish(r, 0, box.reason());
        return;
    }
    r->socket = new QTcpSocket(r);
    r->socket->setProxy(QNetworkProxy::NoProxy);
    r->socket->setReadBufferSize(kReadBufferBytes);
    connect(r->socket, &QTcpSocket::connected, this, [this, r] {
        r->connected = true;
        service(r->key);
    });
    connect(r->socket, &QTcpSocket::bytesWritten, this, [this, r](qint64 n) {
        r->toWrite = std::max<qint64>(0, r->toWrite - n);
        if (r->written())
            service(r->key);
    });
    connect(r->socket, &QTcpSocket::readyRead, this, [this, r] { readAnswer(r); });
    connect(r->socket, &QTcpSocket::errorOccurred, this, [this, r] {
        r->connectionRefused = r->socket->error() == QAbstractSocket::ConnectionRefusedError;
        ended(r, socketErrorText(r->socket));
    });
    connect(r->socket, &QTcpSocket::disconnected, this,
            [this, r] { ended(r, QStringLiteral("Verbindung geschlossen ohne Antwort")); });
    r->socket->connectToHost(box.address(), m_port);
}

void HttpTransport::readAnswer(Request *r)
{
    while (!r->answer.complete() && r->socket->bytesAvailable() > 0)
        r->answer.feed(r->socket->read(std::min(r->socket->bytesAvailable(), r->answer.wanted())));
    if (!r->answer.complete())
        return;
    if (r->answer.garbage())
        finish(r, 0, QStringLiteral("ungültige Antwort (keine HTTP-Statuszeile)"));
    else
        finish(r, r->answer.status(), QString());
}

// The connection is over: whatever was read decides.
void HttpTransport::ended(Request *r, const QString &why)
{
    if (r->done)
        return;
    if (r->socket->bytesAvailable() > 0)
        readAnswer(r);
    if (r->done)
        return;
    r->answer.endOfStream();
    if (r->answer.status() > 0)
        finish(r, r->answer.status(), QString());
    else if (r->answer.garbage())
        finish(r, 0, QStringLiteral("ungültige Antwort (keine HTTP-Statuszeile)"));
    else
        finish(r, 0, why);
}

void HttpTransport::finish(Request *r, int status, const QString &error)
{
    if (r->done)
        return;
    r->done = true;
    r->limit.stop();
    delete r->lookup; // stops waiting; the look-up itself runs out elsewhere
    r->lookup = nullptr;
    if (r->socket) {
        r->socket->disconnect(this);
        r->socket->abort(); // nothing more is read or kept
    }
    if (r->target.isEmpty())
        r->target = targetOf(r, false);
    Lane &lane = m_lanes[r->key];
    lane.order.removeOne(r);
    if (r->started)
        --lane.open;
    m_requests.remove(r->id);

    if (r->refused)
        logNotSent(r->key, r->target, error);
    else if (r->socket == nullptr && !error.isEmpty())
        qCWarning(lcSend).noquote() << "nicht gesendet an" << (QLatin1Char('"') + r->key + QLatin1Char('"')) << r->target << "-" << error;
    else if (!error.isEmpty())
        qCWarning(lcSend).noquote() << "Fehler bei" << (QLatin1Char('"') + r->key + QLatin1Char('"')) << r->target << "-" << error;
    else
        qCInfo(lcSend).noquote() << "Antwort von" << r->key << status << r->target;

    const QString key = r->key;
    const QByteArray target = r->target;
    if (r->answer.status() > 0)
        emit answered(key, target, r->answer.serverHeader(), r->answer.body());
    else if (r->isQuery)
        m_firmware.unanswered(key, target);
    if (!r->isQuery) {
        const DeliveryOutcome outcome = outcomeOf(r, status);
        emit delivered(r->id, outcome, status, error);
        const std::optional<Message> sent = r->written() ? RequestTarget::decode(target) : std::nullopt;
        emitDone(r->id, {outcome, status, error, sent ? sent->text : QString()});
    }
    emit finished(key, target, status, error);
    r->deleteLater();
    service(key);
}

// A refused address is logged as a warning once (until its reason
// changes), then quietly.
void HttpTransport::logNotSent(const QString &address, const QByteArray &target, const QString &reason)
{
    if (m_refusalsLogged.contains(address) && m_refusalsLogged.value(address) == reason) {
        qCDebug(lcSend).noquote() << "nicht gesendet an" << (QLatin1Char('"') + address + QLatin1Char('"')) << target << "-" << reason;
        return;
    }
    if (m_refusalsLogged.size() >= kRefusalsRemembered)
        m_refusalsLogged.clear();
    m_refusalsLogged.insert(address, reason);
    qCWarning(lcSend).noquote() << "nicht gesendet an" << (QLatin1Char('"') + address + QLatin1Char('"')) << target << "-" << reason;
}

// Queued, so that a result never arrives inside submit().
void HttpTransport::emitDone(quint64 id, const SendResult &result)
{
    QMetaObject::invokeMethod(this, [this, id, result] { emit done(id, result); }, Qt::QueuedConnection);
}
