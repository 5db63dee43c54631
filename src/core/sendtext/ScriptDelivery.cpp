#include "sendtext/ScriptDelivery.h"

#include "boxes/Delivery.h"
#include "boxes/HttpTransport.h"
#include "boxes/ProtocolChoice.h"
#include "boxes/RequestChannel.h"
#include "boxes/nhttpd/RequestTarget.h"

#include <QTimer>

#include <algorithm>
#include <cctype>

QString ScriptDelivery::BoxOutcome::failureText() const
{
    const QString where = QStringLiteral("Box %1 (%2)").arg(box).arg(address.trimmed());
    if (httpStatus > 0)
        return QStringLiteral("%1: antwortete mit HTTP-Status %2").arg(where).arg(httpStatus);
    return QStringLiteral("%1: nicht angekommen - %2").arg(where, error);
}

namespace {

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

bool isHexDigit(QChar c)
{
    return c.unicode() < 0x80 && std::isxdigit(c.unicode());
}

} // namespace

bool ScriptDelivery::hasText(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return !isControl(c); });
}

QString ScriptDelivery::cutForRequest(const QString &text)
{
    int counted = 0;
    int i = 0;
    while (i < text.size() && i < kMaxRequestChars && counted <= ProtocolChoice::kLongestTarget) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('%') && i + 2 < text.size() && isHexDigit(text.at(i + 1)) && isHexDigit(text.at(i + 2))) {
            i += 3; // may stand for a control character and vanish
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        if (!isControl(c))
            ++counted;
        ++i;
    }
    return text.left(i);
}

ScriptDelivery::ScriptDelivery(HttpTransport *transport, const std::array<RequestChannel *, 4> &channels,
                               QObject *parent)
    : QObject(parent)
    , m_transport(transport)
    , m_channels(channels)
{
}

void ScriptDelivery::start(const BoxList &list, const QList<int> &boxes, const Message &message)
{
    m_message = message;
    QList<int> chosen = boxes;
    if (chosen.isEmpty())
        for (int box = 1; box <= BoxList::kBoxes; ++box)
            if (list.namesAddress(box))
                chosen << box;

    QList<int> toSend;
    for (const int box : chosen) {
        BoxOutcome o;
        o.box = box;
        o.address = list.address(box);
        const bool sendable = list.namesAddress(box);
        if (!sendable)
            o.error = QStringLiteral("Box %1 ist nicht eingerichtet").arg(box);
        else
            toSend << int(m_outcomes.size());
        m_outcomes << o;
        m_waiting << sendable;
    }
    m_open = int(toSend.size());
    m_handedOver = m_open;
    m_started = true;
    // Connected before the first send: a refused address ends inside send().
    connect(m_transport, &HttpTransport::finished, this, &ScriptDelivery::take);
    for (const int i : toSend)
        if (m_askVersionFirst)
            m_channels.at(m_outcomes.at(i).box - 1)->identify(m_outcomes.at(i).address);
    for (const BoxOutcome &o : std::as_const(m_outcomes))
        if (!o.error.isEmpty())
            m_channels.at(o.box - 1)->notSent(message, MessageOrigin{MessageSource::Script, o.box}, o.error);
    for (const int i : toSend) {
        const BoxOutcome &o = m_outcomes.at(i);
        m_channels.at(o.box - 1)->send(o.address, message, MessageOrigin{MessageSource::Script, o.box});
    }
    if (m_open == 0)
        QTimer::singleShot(0, this, &ScriptDelivery::finished);
}

QList<int> ScriptDelivery::boxes() const
{
    QList<int> out;
    for (const BoxOutcome &o : m_outcomes)
        out << o.box;
    return out;
}

bool ScriptDelivery::allReached() const
{
    if (m_outcomes.isEmpty())
        return false;
    for (const BoxOutcome &o : m_outcomes)
        if (!o.reached())
            return false;
    return true;
}

// The target is written for what the transport knew of the box at that
// moment, so every form the message can take counts.
bool ScriptDelivery::isOurs(const QByteArray &target) const
{
    for (const FirmwareKind kind : {FirmwareKind::Unknown, FirmwareKind::Old, FirmwareKind::New})
        if (RequestTarget::encode(m_message, kind).target == target)
            return true;
    return false;
}

void ScriptDelivery::take(const QString &address, const QByteArray &target, int httpStatus, const QString &error)
{
    if (m_open == 0 || !isOurs(target))
        return;
    for (int i = 0; i < m_outcomes.size(); ++i) {
        BoxOutcome &o = m_outcomes[i];
        if (!m_waiting.at(i) || o.address.trimmed() != address)
            continue;
        m_waiting[i] = false;
        o.httpStatus = httpStatus;
        o.error = error;
        if (--m_open == 0) {
            disconnect(m_transport, nullptr, this, nullptr);
            emit finished();
        }
        return;
    }
}
