#include "boxes/DeliveryRecord.h"

#include "boxes/HttpTransport.h"
#include "boxes/nhttpd/RequestTarget.h"
#include "common/Clock.h"

#include <algorithm>

DeliveryRecord::DeliveryRecord(const Clock &clock, HttpTransport *transport, QObject *parent, int capacity)
    : QObject(parent)
    , m_clock(clock)
    , m_capacity(std::max(1, capacity))
{
    connect(transport, &HttpTransport::handedOver, this, &DeliveryRecord::take);
    connect(transport, &HttpTransport::delivered, this, &DeliveryRecord::conclude);
    // finished() follows delivered() at once and names the request target,
    // which tells how the box got the text.
    connect(transport, &HttpTransport::finished, this, &DeliveryRecord::learnTarget);
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

void DeliveryRecord::take(quint64 id, const QString &address, const Message &message, const MessageOrigin &origin)
{
    Delivery d;
    d.id = id;
    d.time = m_clock.now();
    d.origin = origin;
    d.address = address;
    d.kind = message.kind;
    d.firstLine = Delivery::firstLineOf(origin.title.isEmpty() ? message.text : origin.title);
    d.text = message.text.left(Delivery::kMaxText);
    m_justConcluded = 0;
    m_entries.push_back(d);
    while (int(m_entries.size()) > m_capacity) {
        const quint64 old = m_entries.front().id;
        m_entries.pop_front();
        emit forgotten(old);
    }
    emit added(m_entries.back());
}

void DeliveryRecord::conclude(quint64 id, DeliveryOutcome outcome, int httpStatus, const QString &error)
{
    const int i = indexOf(id);
    if (i < 0)
        return; // forgotten meanwhile
    Delivery &d = m_entries[i];
    d.outcome = outcome;
    d.httpStatus = httpStatus;
    d.reason = error;
    m_justConcluded = id;
    emit updated(d);
}

void DeliveryRecord::learnTarget(const QString &address, const QByteArray &target)
{
    const int i = m_justConcluded == 0 ? -1 : indexOf(m_justConcluded);
    m_justConcluded = 0;
    if (i < 0)
        return;
    Delivery &d = m_entries[i];
    // Never written: the box shows nothing of it.
    if (d.address != address || d.outcome == DeliveryOutcome::NotSent || d.outcome == DeliveryOutcome::Dropped)
        return;
    const auto sent = RequestTarget::decode(target);
    if (!sent || target == RequestTarget::encode({d.kind, d.text}, FirmwareKind::New).target)
        return;
    const QString title = d.firstLine;
    d.wordsForSigns = true;
    d.text = sent->text.left(Delivery::kMaxText);
    d.firstLine = Delivery::firstLineOf(d.asShown(title));
    emit updated(d);
}
