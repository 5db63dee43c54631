#pragma once

#include "boxes/Delivery.h"

#include <QObject>

#include <deque>

class Clock;
class HttpTransport;

// The record of the last messages handed to the transport, with their
// outcomes as they become known. It listens to the transport, which every
// message passes, so no producer has to report to it. Bounded: beyond its
// capacity the oldest entries are forgotten.
class DeliveryRecord : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultCapacity = 500;

    DeliveryRecord(const Clock &clock, HttpTransport *transport, QObject *parent = nullptr,
                   int capacity = kDefaultCapacity);

    // Oldest first.
    const std::deque<Delivery> &entries() const { return m_entries; }
    // Null when the entry is unknown or forgotten.
    const Delivery *find(quint64 id) const;
    int capacity() const { return m_capacity; }

signals:
    void added(const Delivery &entry);
    void updated(const Delivery &entry); // its outcome became known
    void forgotten(quint64 id);          // pushed out by newer entries

private:
    int indexOf(quint64 id) const; // -1 when not kept
    void take(quint64 id, const QString &address, const Message &message, const MessageOrigin &origin);
    void conclude(quint64 id, DeliveryOutcome outcome, int httpStatus, const QString &error);
    void learnTarget(const QString &address, const QByteArray &target);

    const Clock &m_clock;
    int m_capacity;
    std::deque<Delivery> m_entries; // ids ascending
    quint64 m_justConcluded = 0;    // its request target follows at once, 0 when none
};
