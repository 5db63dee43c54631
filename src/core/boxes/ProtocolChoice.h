#pragma once

#include "boxes/nhttpd/NhttpdProtocol.h"
#include "boxes/nhttpd/RequestTarget.h"

#include <QString>

// The one place that says which kind of box is at an address. Every box is
// an nhttpd box today; a second kind is found here by asking, never guessed
// from the address.
class ProtocolChoice
{
public:
    BoxProtocol &protocolFor(const QString &address);

    // How long boxes show a popup and a message, in seconds (zelvo.ini);
    // unset: each kind's own.
    void setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds);

    // The kind a box is taken for before anyone asked it.
    const BoxProtocol &unasked() const { return m_nhttpd; }

    // The longest request target any kind of box reads.
    static constexpr int kLongestTarget = RequestTarget::kMaxTarget;

private:
    NhttpdProtocol m_nhttpd;
};
