#pragma once

#include "boxes/Delivery.h"
#include "boxes/SendResult.h"

#include <QObject>
#include <QString>

#include <memory>

class BoxLink;

// One message handed to BoxSender, for the one who sent it: finished()
// follows exactly once, always after the call that made the handle has
// returned. The handle belongs to the sender, which deletes it after
// finished().
class SendHandle : public QObject
{
    Q_OBJECT
public:
    quint64 id() const { return m_id; }
    int box() const { return m_origin.box; } // 1..BoxList::kBoxes, 0 when for none
    QString address() const; // as configured, trimmed; empty when for no box
    const BoxLink &link() const { return *m_link; } // the box it goes to
    const Message &message() const { return m_message; }
    const MessageOrigin &origin() const { return m_origin; }

    // Waiting while under way. A message that cannot go at all (no box to go
    // to, an address never contacted) is NotSent from the start, so the one
    // who sent it knows at once; its finished() still follows later.
    const SendResult &result() const { return m_result; }
    bool isFinished() const { return m_finished; }

    // Whether it waits for its box (its result is Held meanwhile).
    bool isHeld() const { return m_result.outcome == DeliveryOutcome::Held; }

signals:
    // It waits until its box can show it; finished() follows when it went
    // or expired.
    void held(const SendResult &result);
    void finished(const SendResult &result);

private:
    friend class BoxSender;
    SendHandle(quint64 id, std::shared_ptr<BoxLink> link, const Message &message, const MessageOrigin &origin,
               QObject *parent);

    quint64 m_id;
    std::shared_ptr<BoxLink> m_link;
    Message m_message;
    MessageOrigin m_origin;
    SendResult m_result;
    bool m_finished = false;
};
