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
// this, never by the words (SendResultText makes those).
enum class SendFailure {
    None,              // delivered, under way, or nothing against it known
    Standby,           // held: its box is in standby
    Off,               // held: its box is off
    NotShown,          // not sent: no holding, and the box in standby would not show it
    NotHeldStandby,    // not sent: its box is in standby and it may not wait
    NotHeldOff,        // not sent: its box is off and it may not wait
    PushedOut,         // held, then pushed out by newer ones for its box
    Expired,           // held until its time ran out
    NoBox,             // no box to go to (said: the producer's words why)
    AddressRefused,    // the address is refused by its text, or its name does not resolve (said: why)
    BoxRefused,        // the box answered but did not take it (said: its own words, if any)
    ConnectionRefused, // the box refused the connection
    ConnectionClosed,  // the connection closed before an answer
    NoConnection,      // the connection failed otherwise (said: the system's words)
    NoHttpAnswer,      // the answer had no HTTP status line
    InvalidTarget,     // the request would carry unprintable bytes
    KindUnknown,       // a mode question, but nobody knows how to ask this box
    LookupTimedOut,    // its name was not resolved in time
    ConnectTimedOut,   // no connection in time
    NoAnswer,          // no answer in time
    Dropped,           // given up while it waited behind earlier requests
    Discarded,         // held, then thrown away by someone
    ZelvoEnded,        // Zelvo ended before it knew
    QuestionOpen,      // asks for confirmation: waits until its box's open question is done
    TooManyQuestions,  // asks for confirmation, but too many questions for its box are open
};

// What became of a message that asked for confirmation, once its box took it.
enum class Confirmation {
    None,        // none asked, or the box has not taken it yet
    Waiting,     // the yes/no question is open
    Yes,         // answered yes
    No,          // answered no (or closed with EXIT)
    Seen,        // answered, in words that do not say which
    Unconfirmed, // not answered before it expired
    CannotTell,  // shown until closed by a box that cannot say whether it was seen
};

// The end of one message to one box.
struct SendResult {
    DeliveryOutcome outcome = DeliveryOutcome::Waiting;
    int httpStatus = 0;
    QString said;      // what the box, the system or the refusing layer said itself, as data
    QString shownText; // the text as this box shows it; empty when it was never written
    SendFailure why = SendFailure::None;
    int waitedMs = 0;  // for the time-outs: how long it waited

    // One that ended before or without an answer.
    static SendResult failed(DeliveryOutcome outcome, SendFailure why, const QString &said = QString())
    {
        SendResult r;
        r.outcome = outcome;
        r.why = why;
        r.said = said;
        return r;
    }

    // A status by which a box says it took a request: 2xx.
    static bool success(int httpStatus) { return httpStatus >= 200 && httpStatus < 300; }
    // Whether the box took it: answered with a 2xx status.
    static bool delivered(DeliveryOutcome outcome, int httpStatus)
    {
        return outcome == DeliveryOutcome::Answered && success(httpStatus);
    }
    bool delivered() const { return delivered(outcome, httpStatus); }
    // Whether more is to come: under way, or held for its box.
    static bool pending(DeliveryOutcome outcome)
    {
        return outcome == DeliveryOutcome::Waiting || outcome == DeliveryOutcome::Held;
    }
    bool pending() const { return pending(outcome); }
};

Q_DECLARE_METATYPE(SendResult)
