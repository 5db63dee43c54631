#include "boxes/HttpExchange.h"

#include "boxes/BoxAddress.h"
#include "boxes/BoxLink.h"
#include "boxes/NameLookup.h"
#include "common/SystemErrorText.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <algorithm>

namespace {

// What Qt buffers of an answer before Zelvo has read it: about one look.
constexpr qint64 kReadBufferBytes = 4096;

QString socketErrorText(const QTcpSocket *socket)
{
    switch (socket->error()) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Verbindung abgelehnt");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("Verbindung geschlossen ohne Antwort");
    default:
        return SystemErrorText::ofSocket(socket->error(), socket->errorString());
    }
}

const QString kNoStatusLine = QStringLiteral("ungültige Antwort (keine HTTP-Statuszeile)");

} // namespace

HttpExchange::HttpExchange(quint64 id, std::shared_ptr<BoxLink> link, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_link(std::move(link))
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, &HttpExchange::timedOut);
}

const QString &HttpExchange::key() const
{
    return m_link->key();
}

void HttpExchange::startLimit(int ms)
{
    m_limit.start(ms);
}

void HttpExchange::start(quint16 port)
{
    const BoxAddress &box = m_link->address();
    if (!box.needsLookup()) { // a literal address: nothing to look up
        connectTo(box, port);
        return;
    }
    m_state = State::LookingUp;
    m_lookup = new NameLookup(key(), this);
    connect(m_lookup, &NameLookup::resolved, this, [this, port](const BoxAddress &resolved) {
        m_lookup->deleteLater();
        m_lookup = nullptr;
        if (m_state != State::Done)
            connectTo(resolved, port);
    });
}

void HttpExchange::connectTo(const BoxAddress &box, quint16 port)
{
    m_state = State::Connecting;
    if (!box.usable()) {
        end(0, box.reason(), DeliveryOutcome::NotSent);
        return;
    }
    m_socket = new QTcpSocket(this);
    m_socket->setProxy(QNetworkProxy::NoProxy);
    m_socket->setReadBufferSize(kReadBufferBytes);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_state = State::Connected;
        emit connected();
    });
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this](qint64 n) {
        m_toWrite = std::max<qint64>(0, m_toWrite - n);
        if (m_toWrite == 0 && m_state == State::Writing) {
            m_state = State::Reading;
            emit writtenOut();
        }
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpExchange::readAnswer);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] {
        const bool refused = m_socket->error() == QAbstractSocket::ConnectionRefusedError;
        closed(socketErrorText(m_socket), refused ? DeliveryOutcome::ConnectionRefused : DeliveryOutcome::Failed);
    });
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { closed(QStringLiteral("Verbindung geschlossen ohne Antwort"), DeliveryOutcome::Failed); });
    // A port in the address wins over the boxes' usual one.
    m_socket->connectToHost(box.address(), box.port() ? box.port() : port);
}

void HttpExchange::write(const QByteArray &request)
{
    m_state = State::Writing;
    m_toWrite = request.size();
    m_socket->write(request);
}

void HttpExchange::readAnswer()
{
    while (!m_answer.complete() && m_socket->bytesAvailable() > 0)
        m_answer.feed(m_socket->read(std::min(m_socket->bytesAvailable(), m_answer.wanted())));
    if (!m_answer.complete())
        return;
    if (m_answer.garbage())
        end(0, kNoStatusLine, DeliveryOutcome::Failed);
    else
        end(m_answer.status(), QString(), DeliveryOutcome::Answered);
}

// The connection is over: whatever was read decides.
void HttpExchange::closed(const QString &why, DeliveryOutcome outcome)
{
    if (m_state == State::Done)
        return;
    if (m_socket->bytesAvailable() > 0)
        readAnswer();
    if (m_state == State::Done)
        return;
    m_answer.endOfStream();
    if (m_answer.status() > 0)
        end(m_answer.status(), QString(), DeliveryOutcome::Answered);
    else if (m_answer.garbage())
        end(0, kNoStatusLine, DeliveryOutcome::Failed);
    else
        end(0, why, outcome);
}

void HttpExchange::timedOut()
{
    if (m_answer.status() > 0) {
        end(m_answer.status(), QString(), DeliveryOutcome::Answered); // the rest of it came too slowly
        return;
    }
    // Never written: it gave up waiting behind the requests before it.
    const bool waited = m_state == State::Queued || m_state == State::Connected;
    end(0, timeoutReason(), waited ? DeliveryOutcome::Dropped : DeliveryOutcome::TimedOut);
}

// What the request was doing when its time ran out.
QString HttpExchange::timeoutReason() const
{
    const QString after = QString::number(m_limit.interval() / 1000.0);
    switch (m_state) {
    case State::Queued:
    case State::Connected:
        return QStringLiteral("nicht gesendet nach %1 s (wartete hinter früheren Nachrichten an diese Box)").arg(after);
    case State::LookingUp:
        return QStringLiteral("Name nach %1 s noch nicht aufgelöst").arg(after);
    case State::Connecting:
        return QStringLiteral("keine Verbindung nach %1 s").arg(after);
    default:
        return QStringLiteral("keine Antwort nach %1 s").arg(after);
    }
}

void HttpExchange::end(int status, const QString &error, DeliveryOutcome outcome)
{
    if (m_state == State::Done)
        return;
    m_endedIn = m_state;
    m_state = State::Done;
    m_limit.stop();
    delete m_lookup; // stops waiting; the look-up itself runs out elsewhere
    m_lookup = nullptr;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort(); // nothing more is read or kept
    }
    emit ended(status, error, outcome);
}
