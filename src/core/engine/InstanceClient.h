#pragma once

#include "engine/InstanceRequest.h"

#include <QString>

#include <optional>

// The asking side of the local socket, blocking: for a second start and for
// `zelvo send`, which have nothing else to do meanwhile.
class InstanceClient
{
public:
    // Nothing when no Zelvo listens on socketName or it did not answer in
    // answerTimeoutMs.
    static std::optional<InstanceAnswer> ask(const QString &socketName, const InstanceRequest &request,
                                             int answerTimeoutMs);
};
