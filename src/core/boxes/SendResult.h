#pragma once

#include <QMetaType>
#include <QString>

// What became of a message, as far as it is known.
enum class DeliveryOutcome {
    Waiting,           // handed over, no answer yet
    Answered,          // the box answered with an HTTP status
    TimedOut,          // written or connecting, no answer within the time-out
    ConnectionRefused, // the box refused the connection
    Failed,            // any other error on the way
    NotSent,           // never contacted: no box, box not configured, address refused
    Dropped,           // gave up while it still waited behind earlier requests
    Held,              // waits until its box can show it (the reason says why); not the end
    Expired,           // held until its time ran out, or pushed out by newer ones: never sent
};

// The end of one message to one box.
struct SendResult {
    DeliveryOutcome outcome = DeliveryOutcome::Waiting;
    int httpStatus = 0;
    QString reason;    // why it failed or was not sent, in German as the failing layer says it
    QString shownText; // the text as this box shows it; empty when it was never written

    // Whether the box took it: answered with a 2xx status.
    bool delivered() const { return outcome == DeliveryOutcome::Answered && httpStatus >= 200 && httpStatus < 300; }
    // Whether more is to come: under way, or held for its box.
    bool pending() const { return outcome == DeliveryOutcome::Waiting || outcome == DeliveryOutcome::Held; }
};

Q_DECLARE_METATYPE(SendResult)
