#pragma once

#include "boxes/Delivery.h"

#include <QList>
#include <QObject>

#include <deque>

class BoxProtocol;
class Clock;

// The record of the last messages handed to the boxes, with their outcomes
// as they become known. BoxSender, which every message passes, enters them,
// so no producer has to report to it. Bounded: beyond its capacity the
// oldest entries are forgotten.
class DeliveryRecord : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultCapacity = 500;

    explicit DeliveryRecord(const Clock &clock, QObject *parent = nullptr, int capacity = kDefaultCapacity);

    // A message handed over; ids grow with each hand-over. madeAt: when it
    // was made, if before now (a held message read at start).
    void add(quint64 id, const QString &address, const Message &message, const MessageOrigin &origin,
             const QDateTime &madeAt = QDateTime());
    // Its result. changedBy: the protocol of a box that changed the text on
    // its way, null when it did not; the entry then keeps the text as the
    // box shows it. boxKind: the kind of box it went to, empty for today's.
    void conclude(quint64 id, const SendResult &result, const BoxProtocol *changedBy = nullptr,
                  const QString &boxKind = QString());

    // What became of its question for confirmation; at: when answered.
    void confirm(quint64 id, Confirmation confirmation, const QDateTime &at = QDateTime());

    // Oldest first.
    const std::deque<Delivery> &entries() const { return m_entries; }
    // Null when the entry is unknown or forgotten.
    const Delivery *find(quint64 id) const;
    int capacity() const { return m_capacity; }
    // Forgets every entry ("Leeren"); a message still under way or held
    // goes on, unrecorded.
    void clear();

    // Entries kept from an earlier run (RecordFile), oldest first: they go
    // before every entry of this run, as far as the capacity allows. Only
    // before the first add(); the ids of this run's entries follow theirs.
    void restore(const QList<Delivery> &earlier);
    // The id the next hand-over should have: above every entry kept.
    quint64 nextId() const { return m_entries.empty() ? 1 : m_entries.back().id + 1; }

signals:
    void added(const Delivery &entry);
    void updated(const Delivery &entry); // its outcome became known
    void forgotten(quint64 id);          // pushed out by newer entries, or cleared

private:
    int indexOf(quint64 id) const; // -1 when not kept

    const Clock &m_clock;
    int m_capacity;
    std::deque<Delivery> m_entries; // ids ascending
};
