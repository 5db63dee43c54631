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
        end(DeliveryOutcome::NotSent, SendFailure::AddressRefused, 0, box.reason());
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
        switch (m_socket->error()) {
        case QAbstractSocket::ConnectionRefusedError:
            return closed(DeliveryOutcome::ConnectionRefused, SendFailure::ConnectionRefused);
        case QAbstractSocket::RemoteHostClosedError:
            return closed(DeliveryOutcome::Failed, SendFailure::ConnectionClosed);
        default:
            return closed(DeliveryOutcome::Failed, SendFailure::NoConnection,
                          SystemErrorText::ofSocket(m_socket->error(), m_socket->errorString()));
        }
    });
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { closed(DeliveryOutcome::Failed, SendFailure::ConnectionClosed); });
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
        end(DeliveryOutcome::Failed, SendFailure::NoHttpAnswer);
    else
        end(DeliveryOutcome::Answered, SendFailure::None, m_answer.status());
}

// The connection is over: whatever was read decides.
void HttpExchange::closed(DeliveryOutcome outcome, SendFailure why, const QString &said)
{
    if (m_state == State::Done)
        return;
    if (m_socket->bytesAvailable() > 0)
        readAnswer();
    if (m_state == State::Done)
        return;
    m_answer.endOfStream();
    if (m_answer.status() > 0)
        end(DeliveryOutcome::Answered, SendFailure::None, m_answer.status());
    else if (m_answer.garbage())
        end(DeliveryOutcome::Failed, SendFailure::NoHttpAnswer);
    else
        end(outcome, why, 0, said);
}

void HttpExchange::timedOut()
{
    if (m_answer.status() > 0) {
        end(DeliveryOutcome::Answered, SendFailure::None, m_answer.status()); // the rest of it came too slowly
        return;
    }
    // What the request was doing when its time ran out. Never written:
    // it gave up waiting behind the requests before it.
    m_waitedMs = m_limit.interval();
    switch (m_state) {
    case State::Queued:
    case State::Connected:
        return end(DeliveryOutcome::Dropped, SendFailure::Dropped);
    case State::LookingUp:
        return end(DeliveryOutcome::TimedOut, SendFailure::LookupTimedOut);
    case State::Connecting:
        return end(DeliveryOutcome::TimedOut, SendFailure::ConnectTimedOut);
    default:
        return end(DeliveryOutcome::TimedOut, SendFailure::NoAnswer);
    }
}

void HttpExchange::end(DeliveryOutcome outcome, SendFailure why, int status, const QString &said)
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
    SendResult result;
    result.outcome = outcome;
    result.httpStatus = status;
    result.why = why;
    result.said = said;
    result.waitedMs = m_waitedMs;
    emit ended(result);
}
