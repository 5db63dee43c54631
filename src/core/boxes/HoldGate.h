#pragma once

#include "boxes/BoxList.h"
#include "boxes/HeldMessage.h"
#include "boxes/QuestionAnswer.h"
#include "boxes/SendResult.h"
#include "common/BoxState.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <optional>

class Clock;
class HeldMessages;
class SendHandle;
class ZelvoSettings;

// One thing the sender is to do, as the gate decided it.
struct GateStep {
    enum class Do {
        Go,           // hand handle to the transport; releasedId: a held message on its way
        Finish,       // end handle with result now
        FinishSoon,   // end handle with result once the call that made it has returned
        Hold,         // handle waits with result (Held); announce: tell its sender it is held
        AskMode,      // ask the box at address its mode (identify: what it is first), then asking()
        CountChanged, // the number of held messages changed
        Stuck,        // box's held messages cannot leave the file (why; empty: they can again)
    };
    Do what = Do::Go;
    SendHandle *handle = nullptr;
    SendResult result = {};
    int box = 0;
    QString address = {}; // AskMode
    QString why = {};     // Stuck
    bool announce = false;
    bool identify = false;
    quint64 releasedId = 0; // Go: the held message's id, 0 for any other
    std::optional<HoldReason> late = {}; // Go: a held reminder gone late, and why it was held
};
using GateSteps = QList<GateStep>;

// The standby gate and holding: whether a message for box 1..4 goes now, is
// held, is refused, or waits for the box's answer to the mode question;
// when held ones expire and go out again. It decides and returns the
// sender's steps; it never calls the sender.
//
// A box in standby answers "ok" and shows nothing. So before a message goes
// to a box the gate knows whether the box can show it: from the watch's
// last tick (setBoxState), or, when that is older than a tick, by having the
// box asked first. A message for a box that cannot show it is held (in
// HeldMessages, which survives a restart) and goes out, in the order made and
// at most once, when the box is on, unless its time ran out first: one at a
// time, each only after the file without it is written. One the box does not
// take (a refused connection, an error status, no answer to an unwritten
// request) is held again, first, with its expiry; the rest wait for the next
// word that the box is on. Without holding (zelvo send alone) it is not
// sent.
class HoldGate
{
public:
    // How long the watch's word on a box counts: one tick, plus the time a
    // tick may take to ask.
    static constexpr int kStateFreshMs = 13000;
    // A held reminder that goes out this long after its due time is late.
    static constexpr int kLateSecs = 60;

    // How long each source's messages may wait comes from settings.
    explicit HoldGate(const ZelvoSettings *settings) : m_settings(settings) {}

    void holdIn(HeldMessages *held, const Clock *clock);
    void askModeFirst() { m_askModes = true; }
    bool holding() const { return m_held != nullptr; }
    HeldMessages *held() const { return m_held; }
    int heldCount() const;
    // The messages waiting for box 1..BoxList::kBoxes, oldest first.
    QList<HeldMessage> heldFor(int box) const;
    // Reads the held messages at start (logged): those whose time ran out
    // while Zelvo did not run, and those that wait, box by box.
    struct Loaded {
        QList<HeldMessage> expired;
        QList<HeldMessage> waiting;
    };
    Loaded load();
    // handle stands for the held message id (restored at start).
    void adopt(quint64 id, SendHandle *handle) { m_handles.insert(id, handle); }
    // The result of a message while it is held.
    static SendResult heldResult(HoldReason reason);

    // box's address as boxip.ini gives it now; true when it changed, so the
    // word on the box is dropped.
    bool setAddress(int box, const QString &address);
    BoxState state(int box) const { return m_boxes[box - 1].state; }

    // Someone threw the held message away: it ends Dropped. None when no
    // message waits by that id.
    std::optional<GateSteps> discard(quint64 heldId);

    // How long a message from origin may wait for its box, in minutes.
    int holdMinutes(const MessageOrigin &origin) const;

    // A message made for its box: now, held, refused, or after asking.
    GateSteps route(SendHandle *handle);
    // What the watch found of box just now.
    GateSteps setBoxState(int box, BoxState state);
    // The mode question the gate had asked of box is under way as asked.
    void asking(int box, quint64 asked) { m_boxes[box - 1].asking = asked; }
    // The answer to a mode question; forWatch: the watch asked it too.
    GateSteps answered(quint64 asked, const QuestionAnswer &answer, bool forWatch);
    // A held message on its way went as id.
    void released(int box, quint64 id) { m_boxes[box - 1].releasedAs = id; }
    // The end of a message sent as id; nothing when it was no held one.
    std::optional<GateSteps> ended(quint64 id, SendHandle *handle, const SendResult &result);

private:
    struct Box {
        QString address; // as boxip.ini gave it last, trimmed
        BoxState state = BoxState::Unknown;
        QElapsedTimer since; // when it was said
        quint64 asking = 0;  // the gate's own mode question, under way
        QList<SendHandle *> awaiting; // messages made while it asks, in order
        std::optional<HeldMessage> releasing; // the held message on its way
        quint64 releasedAs = 0;
        QString stuck; // why its held messages cannot leave the file
    };

    void holdOrRefuse(GateSteps &steps, SendHandle *handle, BoxState state);
    // continuing: the next of those that went out on the last word.
    void release(GateSteps &steps, int box, bool continuing = false);
    void takeAnswer(GateSteps &steps, int box, const QuestionAnswer &answer, bool forWatch);
    void goAll(GateSteps &steps, int box);
    void dropExpired(GateSteps &steps);

    const ZelvoSettings *m_settings;
    HeldMessages *m_held = nullptr;
    const Clock *m_clock = nullptr;
    bool m_askModes = false;
    QHash<quint64, SendHandle *> m_handles; // held message id -> its handle
    std::array<Box, BoxList::kBoxes> m_boxes;
};
