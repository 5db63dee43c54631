#include "sendtext/ScriptDelivery.h"

#include "boxes/BoxSender.h"
#include "boxes/Delivery.h"
#include "boxes/ProtocolChoice.h"
#include "boxes/SendHandle.h"
#include "boxes/SendResultText.h"
#include "common/BoxStateText.h"

#include <QTimer>

#include <algorithm>

QString ScriptDelivery::BoxOutcome::failureText() const
{
    return BoxStateText::boxName(box, QString(), address.trimmed()) + QStringLiteral(": nicht angekommen - ")
           + SendResultText::outcome(outcome, httpStatus, error);
}

namespace {

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
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
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        if (!isControl(c))
            ++counted;
        ++i;
    }
    return text.left(i);
}

ScriptDelivery::ScriptDelivery(BoxSender *sender, QObject *parent)
    : QObject(parent)
    , m_sender(sender)
{
}

QList<SendHandle *> ScriptDelivery::start(const BoxList &list, const QList<int> &boxes, const Message &message)
{
    QList<int> chosen = boxes;
    if (chosen.isEmpty())
        for (int box = 1; box <= BoxList::kBoxes; ++box)
            if (list.namesAddress(box))
                chosen << box;

    for (const int box : chosen) {
        BoxOutcome o;
        o.box = box;
        o.address = list.address(box);
        m_outcomes << o;
        if (list.namesAddress(box))
            ++m_handedOver;
    }
    m_started = true;
    if (m_askVersionFirst)
        for (const BoxOutcome &o : std::as_const(m_outcomes))
            if (list.namesAddress(o.box))
                m_sender->identifyAt(o.address);
    // Boxes that name no address first, as they end without the transport.
    QList<SendHandle *> handles(m_outcomes.size());
    for (int i = 0; i < m_outcomes.size(); ++i)
        if (!list.namesAddress(m_outcomes.at(i).box))
            handles[i] = m_sender->notSent(message, MessageOrigin{m_source, m_outcomes.at(i).box},
                                           QStringLiteral("Box %1 ist nicht eingerichtet").arg(m_outcomes.at(i).box));
    for (int i = 0; i < m_outcomes.size(); ++i)
        if (!handles.at(i))
            handles[i] = m_sender->send(m_outcomes.at(i).box, message,
                                        MessageOrigin{m_source, 0, QString(), QDateTime(), m_holdMinutes});
    m_open = int(handles.size());
    for (int i = 0; i < handles.size(); ++i) {
        SendHandle *handle = handles.at(i);
        take(i, handle->result()); // known at once: an address refused, a box in standby
        if (handle->isHeld())
            --m_open; // known: the running Zelvo delivers it when the box can show it
        const auto known = [this, i](const SendResult &result) {
            // A held message counted when it was held; its end changes only its outcome.
            const bool counted = m_outcomes.at(i).held();
            take(i, result);
            if (!counted && --m_open == 0)
                emit finished();
        };
        connect(handle, &SendHandle::held, this, known);
        connect(handle, &SendHandle::finished, this, known);
    }
    if (m_open == 0)
        QTimer::singleShot(0, this, &ScriptDelivery::finished);
    return handles;
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

void ScriptDelivery::take(int i, const SendResult &result)
{
    BoxOutcome &o = m_outcomes[i];
    o.outcome = result.outcome;
    o.httpStatus = result.outcome == DeliveryOutcome::Answered ? result.httpStatus : 0;
    o.why = result.why;
    // In words too: a running Zelvo passes them on to `zelvo send`.
    o.error = SendResultText::reason(result, o.box);
}
