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

// Why a message did not reach its box (yet), as a type: code decides by
// this, never by the words (Delivery::failureText makes those).
enum class SendFailure {
    None,           // delivered, under way, or nothing against it known
    Standby,        // its box is in standby: held, or not sent where it may not wait
    Off,            // its box is off: held, or not sent where it may not wait
    NotShown,       // not sent: no holding, and the box in standby would not show it
    NotHeld,        // not sent: its box cannot show it and it may not wait
    PushedOut,      // held, then pushed out by newer ones for its box
    Expired,        // held until its time ran out
    NoBox,          // no box to go to
    AddressRefused, // the address is refused by its text, or its name does not resolve
    BoxRefused,     // the box answered but did not take it (reason: what it said)
    NoConnection,   // no connection to the box, or it broke
    NoAnswer,       // no answer in time
    Dropped,        // given up while it waited behind earlier requests
    Discarded,      // held, then thrown away by someone
    QuestionOpen,   // asks for confirmation: waits until its box's open question is done
};

// The end of one message to one box.
struct SendResult {
    DeliveryOutcome outcome = DeliveryOutcome::Waiting;
    int httpStatus = 0;
    QString reason;    // the detail: what the box itself said, or the failing layer's detail
    QString shownText; // the text as this box shows it; empty when it was never written
    SendFailure why = SendFailure::None;

    // Whether the box took it: answered with a 2xx status.
    bool delivered() const { return outcome == DeliveryOutcome::Answered && httpStatus >= 200 && httpStatus < 300; }
    // What an outcome of the way to the box means by itself.
    static SendFailure failureOf(DeliveryOutcome outcome, int httpStatus)
    {
        switch (outcome) {
        case DeliveryOutcome::Answered:
            return httpStatus >= 200 && httpStatus < 300 ? SendFailure::None : SendFailure::BoxRefused;
        case DeliveryOutcome::TimedOut:
            return SendFailure::NoAnswer;
        case DeliveryOutcome::ConnectionRefused:
        case DeliveryOutcome::Failed:
            return SendFailure::NoConnection;
        case DeliveryOutcome::NotSent:
            return SendFailure::AddressRefused;
        case DeliveryOutcome::Dropped:
            return SendFailure::Dropped;
        case DeliveryOutcome::Expired:
            return SendFailure::Expired;
        case DeliveryOutcome::Waiting:
        case DeliveryOutcome::Held:
            break;
        }
        return SendFailure::None;
    }
    // Whether more is to come: under way, or held for its box.
    bool pending() const { return outcome == DeliveryOutcome::Waiting || outcome == DeliveryOutcome::Held; }
};

Q_DECLARE_METATYPE(SendResult)
