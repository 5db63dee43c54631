#pragma once

#include <QMetaType>
#include <QString>

// What one ICMP echo probe of a box found out. Only status() == 0 means that
// the box is switched on; the outcome says why not, for the log and for the
// messages the watch shows.
struct EchoResult {
    enum class Outcome {
        Reply,          // an echo reply arrived in time
        NoReply,        // nothing within the time-out, or the network said unreachable
        NoAddress,      // empty or blank address: nothing sent
        Refused,        // no single host (0.0.0.0/8, multicast, 240.0.0.0/4): never sent there
        Unresolved,     // a name that does not resolve (or text that is no address)
        IcmpNotAllowed, // neither a ping socket nor a raw socket may be opened
        Failed,         // any other local error (socket, send)
    };
    enum class Socket { None, Ping, Raw };

    Outcome outcome = Outcome::NoReply;
    Socket socket = Socket::None;
    int roundTripMs = -1;    // set with a reply; 0 is a fast network
    QString resolvedAddress; // the dotted address probed, when there was one
    QString detail;          // the system's error text, when there was one

    int status() const { return outcome == Outcome::Reply ? 0 : 1 + static_cast<int>(outcome); }

    static EchoResult of(Outcome outcome, const QString &detail = QString())
    {
        EchoResult r;
        r.outcome = outcome;
        r.detail = detail;
        return r;
    }
};

Q_DECLARE_METATYPE(EchoResult)
