#include "boxes/DeliveryRecord.h"

#include <utility>

#include "boxes/BoxProtocol.h"
#include "boxes/SendResultText.h"
#include "common/Clock.h"

#include <algorithm>

DeliveryRecord::DeliveryRecord(const Clock &clock, QObject *parent, int capacity)
    : QObject(parent)
    , m_clock(clock)
    , m_capacity(std::max(1, capacity))
{
}

// Ids grow with each hand-over, so the entries are sorted by id.
int DeliveryRecord::indexOf(quint64 id) const
{
    const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), id,
                                     [](const Delivery &d, quint64 wanted) { return d.id < wanted; });
    return it != m_entries.end() && it->id == id ? int(it - m_entries.begin()) : -1;
}

const Delivery *DeliveryRecord::find(quint64 id) const
{
    const int i = indexOf(id);
    return i < 0 ? nullptr : &m_entries[i];
}

void DeliveryRecord::add(quint64 id, const QString &address, const Message &message, const MessageOrigin &origin,
                         const QDateTime &madeAt)
{
    Delivery d;
    d.id = id;
    d.time = madeAt.isValid() ? madeAt : m_clock.now();
    d.origin = origin;
    d.address = address;
    d.kind = message.kind;
    d.firstLine = Delivery::firstLineOf(origin.title.isEmpty() ? message.text : origin.title);
    d.text = message.text.left(Delivery::kMaxText);
    m_entries.push_back(d);
    while (int(m_entries.size()) > m_capacity) {
        const quint64 old = m_entries.front().id;
        m_entries.pop_front();
        emit forgotten(old);
    }
    emit added(m_entries.back());
}

void DeliveryRecord::restore(const QList<Delivery> &earlier)
{
    Q_ASSERT(m_entries.empty());
    for (qsizetype i = std::max<qsizetype>(0, earlier.size() - m_capacity); i < earlier.size(); ++i)
        m_entries.push_back(earlier.at(i));
}

void DeliveryRecord::conclude(quint64 id, const SendResult &result, const BoxProtocol *changedBy,
                              const QString &boxKind)
{
    const int i = indexOf(id);
    if (i < 0)
        return; // forgotten meanwhile
    Delivery &d = m_entries[i];
    d.outcome = result.outcome;
    d.httpStatus = result.httpStatus;
    d.why = result.why;
    d.reason = SendResultText::reason(result, d.origin.box);
    if (result.outcome == DeliveryOutcome::Held)
        d.heldBecause = d.reason;
    d.endedAt = m_clock.now();
    d.boxKind = boxKind;
    if (changedBy) {
        d.changedOnTheWay = true;
        d.text = result.shownText.left(Delivery::kMaxText);
        d.firstLine = Delivery::firstLineOf(changedBy->changedAlike(d.firstLine));
    }
    emit updated(d);
}

void DeliveryRecord::confirm(quint64 id, Confirmation confirmation, const QDateTime &at)
{
    const int i = indexOf(id);
    if (i < 0)
        return; // forgotten meanwhile
    Delivery &d = m_entries[i];
    d.confirmation = confirmation;
    d.confirmedAt = at;
    emit updated(d);
}

void DeliveryRecord::clear()
{
    const std::deque<Delivery> gone = std::exchange(m_entries, {});
    for (const Delivery &entry : gone)
        emit forgotten(entry.id);
}
