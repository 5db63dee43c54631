#pragma once

#include "boxes/Delivery.h"
#include "boxes/Message.h"

#include <QDateTime>

// Why a message waits instead of going to its box.
enum class HoldReason { BoxOff, BoxInStandby };

// One message that waits until its box can show it.
struct HeldMessage {
    quint64 id = 0; // given when it is held; stays the same across restarts
    int box = 0;    // 1..BoxList::kBoxes
    Message message;
    MessageOrigin origin;
    QDateTime madeAt;
    QDateTime expiresAt; // from then on it is dropped, not sent
    HoldReason reason = HoldReason::BoxOff;

    bool expired(const QDateTime &now) const { return expiresAt <= now; }
};
