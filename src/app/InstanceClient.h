#pragma once

#include "app/InstanceRequest.h"

#include <QString>

#include <optional>

// The asking side of the local socket, blocking: for a second start and for
// `zelvo send`, which have nothing else to do meanwhile.
class InstanceClient
{
public:
    struct Reply {
        enum class State {
            NoZelvo,  // nothing listens: the request went nowhere
            Answered, // answer holds what the running Zelvo said
            Unknown,  // handed over, but no answer came: Zelvo may still carry it out
        };
        State state = State::NoZelvo;
        InstanceAnswer answer;
        bool timedOut = false; // Unknown because answerTimeoutMs ran out (else the line closed)
    };

    // Once connected, the request counts as handed over: its bytes may sit in
    // the socket until a stopped or busy Zelvo reads them, so the caller must
    // never carry it out itself after that.
    static Reply deliver(const QString &socketName, const InstanceRequest &request, int answerTimeoutMs);

    // Nothing when no Zelvo listens on socketName or it did not answer in
    // answerTimeoutMs.
    static std::optional<InstanceAnswer> ask(const QString &socketName, const InstanceRequest &request,
                                             int answerTimeoutMs);
};
