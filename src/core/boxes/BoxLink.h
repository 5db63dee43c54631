#pragma once

#include "boxes/BoxAddress.h"
#include "common/ZelvoSettings.h"

#include <QList>
#include <QString>

#include <array>

class HttpExchange;

// The kinds of box Zelvo can talk to; each keeps what it learns of a box in
// its own slot of the box's link (ProtocolChoice says which serves a box).
enum class BoxKind { Nhttpd, Enigma2 };
inline constexpr int kBoxKinds = 2;

// Everything Zelvo knows about the box at one address, in one place: the
// address read once, which kind of box it is and what that kind learnt of
// it (its version, the mode questions it lacks), its login, its lane of
// requests in the transport, the mode question under way to it. The
// transport keeps one per address (HttpTransport::link); boxes 1..4 that
// share an address share the receiver there, and so its link.
class BoxLink
{
public:
    explicit BoxLink(const QString &configured);

    // The address as configured, trimmed, and what it means.
    const QString &key() const { return m_key; }
    const BoxAddress &address() const { return m_address; }
    // Refused by its text alone: nothing is ever sent there.
    bool refused() const { return !m_address.needsLookup() && !m_address.usable(); }

    // Which kind of box it is; settled once a box answered an identity
    // question (until then it is taken for today's kind).
    BoxKind kind = BoxKind::Nhttpd;
    bool settled = false;
    // What one kind learnt of the box by asking it.
    struct Learnt {
        QString version;      // empty while none is known
        int questionsLacking = 0; // forms of the mode question the server said it lacks
    };
    Learnt &learnt(BoxKind k) { return m_learnt[size_t(k)]; }
    const Learnt &learnt(BoxKind k) const { return m_learnt[size_t(k)]; }

    // The box's user and password for its web interface (empty user: none).
    ZelvoSettings::BoxLogin login;

    // The transport's requests to it: those not yet written, in order (a
    // question stays until it is done), and how many connections are open.
    struct Lane {
        QList<HttpExchange *> order;
        int open = 0;
    };
    Lane lane;

    // The mode question under way to it (0: none), and whether the watch
    // asked it too and will say what it found.
    quint64 modeQuestion = 0;
    bool modeForWatch = false;
    // It was asked what it is since it got this address.
    bool identifyAsked = false;
    // The lowest box number with this address (0: none), for the log.
    int firstBox = 0;
    // Why the last message here was not sent, as logged: the same again is
    // no news at warning level.
    QString refusalLogged;

    // A new box may be here: its kind, versions, lacking questions and the
    // identity question asked are forgotten. The login stays: it is
    // bound by whoever binds it.
    void forget();
    // Nothing under way or waiting on it.
    bool idle() const { return lane.order.isEmpty() && lane.open == 0 && !modeQuestion; }

private:
    QString m_key;
    BoxAddress m_address;
    std::array<Learnt, kBoxKinds> m_learnt;
};
