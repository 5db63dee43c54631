#pragma once

#include "boxes/enigma2/Enigma2Protocol.h"
#include "boxes/nhttpd/NhttpdProtocol.h"
#include "boxes/nhttpd/RequestTarget.h"

#include <QList>
#include <QString>

#include <optional>

// The one place that says which kind of box is at an address. It is found
// by asking, never guessed from the address: a box is asked the identity
// question of each kind in turn (the kind it was last found to be first,
// else today's kind, nhttpd), until one kind recognises its answer. A box
// that recognises none, and one never asked, is taken for an nhttpd box of
// unknown version. The kind is kept in the box's link (BoxLink), so a box
// given a new address is asked anew. A box whose identity questions went
// unanswered is not settled: nobody knows how to ask it its mode, so its
// mode cannot be learnt until one of them is answered.
class ProtocolChoice
{
public:
    BoxProtocol &protocolFor(const BoxLink &link);

    // How long boxes show a popup and a message, in seconds (zelvo.ini);
    // unset: each kind's own.
    void setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds);

    // The kind a box is taken for before anyone asked it.
    const BoxProtocol &unasked() const { return m_nhttpd; }

    // The kinds whose identity questions the box at link is asked, in turn.
    QList<BoxProtocol *> identityOrder(const BoxLink &link);

    // The answer of the box at link (status 0: none) to asked's identity
    // question, as asked read it. True when it settles the box's kind: no
    // answer changes nothing, and an answer that asked recognises as its
    // kind's (also one that wants a password) makes the box one of that
    // kind. False: the next kind is to be asked; a box that recognises no
    // kind's question is taken for today's kind.
    bool identified(BoxLink &link, const BoxProtocol &asked, const AnswerMeaning &meaning, int status);
    // The box answered, but no kind's question as its own: it is taken for
    // today's kind, of unknown version.
    void recognisedNone(BoxLink &link);

    // The kind shown beside a box: "Enigma2", or empty for today's kind.
    QString kindOf(const BoxLink &link) const;

    // The longest request target any kind of box reads.
    static constexpr int kLongestTarget = RequestTarget::kMaxTarget;

private:
    NhttpdProtocol m_nhttpd;
    Enigma2Protocol m_enigma2;
};
