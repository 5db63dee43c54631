#pragma once

#include "boxes/enigma2/Enigma2Protocol.h"
#include "boxes/nhttpd/NhttpdProtocol.h"
#include "boxes/nhttpd/RequestTarget.h"
#include "common/ZelvoSettings.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The one place that says which kind of box is at an address. It is found
// by asking, never guessed from the address: a box is asked the identity
// question of each kind in turn (the kind it was last found to be first,
// else today's kind, nhttpd), until one kind recognises its answer. A box
// that recognises none, and one never asked, is taken for an nhttpd box of
// unknown version. The kind is kept per address, so a box given a new
// address is asked anew; forget() starts an address afresh. A box whose
// identity questions went unanswered is not settled: nobody knows how to
// ask it its mode, so its mode cannot be learnt until one of them is
// answered.
class ProtocolChoice
{
public:
    // A box's user and password for its web interface (empty user: none).
    using Login = ZelvoSettings::BoxLogin;

    BoxProtocol &protocolFor(const QString &address);

    // How long boxes show a popup and a message, in seconds (zelvo.ini);
    // unset: each kind's own.
    void setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds);

    // The kind a box is taken for before anyone asked it.
    const BoxProtocol &unasked() const { return m_nhttpd; }

    // The kinds whose identity questions the box at address is asked, in turn.
    QList<BoxProtocol *> identityOrder(const QString &address);

    // The answer of the box at address (status 0: none) to asked's identity
    // question, as asked read it. True when it settles the box's kind: no
    // answer changes nothing, and an answer that asked recognises as its
    // kind's (also one that wants a password) makes the box one of that
    // kind. False: the next kind is to be asked; a box that recognises no
    // kind's question is taken for today's kind.
    bool identified(const QString &address, const BoxProtocol &asked, const AnswerMeaning &meaning, int status);
    // The box at address answered, but no kind's question as its own: it is
    // taken for today's kind, of unknown version.
    void recognisedNone(const QString &address);
    // Whether a box at address answered an identity question (its kind is
    // known, or known to be none of the others).
    bool settled(const QString &address) const { return m_known.value(address).settled; }
    // Everything learnt of address (kind, version, what it lacks) is dropped:
    // a new box may be there now.
    void forget(const QString &address);

    // The kind shown beside a box: "Enigma2", or empty for today's kind.
    QString kindOf(const QString &address) const;

    // Whom the passwords go to: each address with its login; addresses not
    // named have none.
    void setLogins(const QHash<QString, Login> &logins);
    // The longest request target any kind of box reads.
    static constexpr int kLongestTarget = RequestTarget::kMaxTarget;

private:
    NhttpdProtocol m_nhttpd;
    Enigma2Protocol m_enigma2;
    // What was learnt of the box at one address by asking it.
    struct Known {
        bool enigma2 = false; // an Enigma2 receiver, else today's kind
        bool settled = false; // an identity question was answered
    };
    QHash<QString, Known> m_known;
    QHash<QString, Login> m_logins;
};
