#pragma once

#include "boxes/BoxList.h"
#include "boxes/Delivery.h"
#include "boxes/HeldMessage.h"
#include "boxes/Message.h"
#include "boxes/QuestionAnswer.h"
#include "boxes/ProtocolSettings.h"
#include "boxes/SendResult.h"
#include "common/BoxState.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <functional>

class BoxListSource;
class Clock;
class DeliveryRecord;
class HeldMessages;
class HttpTransport;
class SendHandle;
class StatusBoard;

// The one way a message reaches a box. Every producer (reminders, status
// notices, the send-text step, the box address test, `zelvo send`) hands its
// messages here and gets a SendHandle back.
//
// Messages to one box are written in the order they were sent, boxes never
// wait for each other, and each message is tried once (the transport keeps
// that). Each message is entered in the delivery record when it is handed
// over and concluded with its result.
//
// A box in standby answers "ok" and shows nothing. So before a message goes
// to box 1..4 the sender knows whether the box can show it: from the watch's
// last tick (setBoxState), or, when that is older than a tick, by asking the
// box itself first. A message for a box that cannot show it is held (in
// HeldMessages, which survives a restart) and goes out, in the order made and
// at most once, when the box is on, unless its time ran out first: one at a
// time, each only after the file without it is written. One the box does not
// take (a refused connection, an error status, no answer to an unwritten
// request) is held again, first, with its expiry; the rest wait for the next
// word that the box is on. Without holding
// (zelvo send alone) it is not sent. An address typed for the test is never
// held.
//
// The information panel shows a producer's text only when some box got it
// (showWhenSent): it says "Nichts gesendet an Box N: …" when every message
// behind the text was not sent, "Zurückgehalten für Box N (Standby): …" while
// they wait, and shows "und", "plus", "Prozent" where a box with an old web
// server got them.
class BoxSender : public QObject
{
    Q_OBJECT
public:
    // How long a message may take, from hand-over to answer.
    static const int kDefaultTimeoutMs;
    // How long the watch's word on a box counts: one tick, plus the time a
    // tick may take to ask.
    static constexpr int kStateFreshMs = 13000;

    struct Options {
        quint16 port = 80; // tests pass their own server's port and a short time-out
        int timeoutMs = kDefaultTimeoutMs;
    };

    BoxSender(BoxListSource *boxes, const Options &options, QObject *parent = nullptr);
    ~BoxSender() override;

    // Where each message and its result are entered; none when null.
    void keepRecordIn(DeliveryRecord *record);
    // The panel that showWhenSent() writes to.
    void showOn(StatusBoard *display);
    // Messages for a box that cannot show them wait in held; clock says
    // when they expire. Without this, such a message is not sent at all.
    void holdIn(HeldMessages *held, const Clock *clock);
    // Asks a box whether it can show a message before sending to it (on for
    // holding).
    void askModeFirst() { m_askModes = true; }
    // Reads the held messages at start: each is entered in the record as
    // held; those whose time ran out meanwhile as expired.
    void restoreHeld();
    int heldCount() const;
    // How a held reminder reads when it goes out more than kLateSecs after
    // its due time: the producer's words for "it is late", from the message
    // and why it was held. None: it goes as it was made.
    using LateWording = std::function<Message(const Message &, HoldReason)>;
    static constexpr int kLateSecs = 60;
    void rewordLate(const LateWording &wording) { m_lateWording = wording; }
    // How long a message of source may wait for its box, in minutes (zelvo.ini).
    int holdMinutesFor(MessageSource source) const { return holdMinutes({source, 0}); }
    // The messages waiting for box 1..BoxList::kBoxes, oldest first.
    QList<HeldMessage> heldFor(int box) const;
    // Someone threw a held message away: it ends Dropped, without a reason
    // (the record says "verworfen"). False when no message waits by that id.
    bool discardHeld(quint64 heldId);

    BoxListSource *boxList() const { return m_boxes; }
    // Messages handed over whose end is not yet known (held ones aside).
    int pendingCount() const { return int(m_submitted.size()); }

    // To box 1..BoxList::kBoxes at the address boxip.ini gives it now.
    SendHandle *send(int box, const Message &message, const MessageOrigin &origin);
    // To an address typed, not saved (the box address test): sent at once,
    // with the login of origin's box when no other box has that address.
    SendHandle *sendTo(const QString &address, const Message &message, const MessageOrigin &origin);
    // A message with no box to go to: it ends NotSent for reason.
    SendHandle *notSent(const Message &message, const MessageOrigin &origin, const QString &reason);

    // Asks the box which kind and version it is; the next messages to it
    // wait for the answer.
    void identifyAt(const QString &address);

    // Asks the box at address whether it can show a message now, ahead of
    // the messages after it; modeAnswered(id) follows.
    quint64 askMode(const QString &address);
    // What the watch found of box just now. Held messages for a box that is
    // on go out; expired ones everywhere are dropped.
    void setBoxState(int box, BoxState state);
    // The last word on box, fresh or not.
    BoxState boxState(int box) const { return m_states[box - 1].state; }
    // The kind of box at box's address as found by asking it: "Enigma2",
    // or empty for today's kind and for a box not asked yet.
    QString kindOf(int box);

    // The panel shows panelText when at least one of handles may reach its
    // box, else why the last of them was not sent; it follows their results.
    void showWhenSent(const QList<SendHandle *> &handles, const QString &panelText);

signals:
    void modeAnswered(quint64 id, const QuestionAnswer &answer);
    void heldCountChanged(int count);
    // Box's held messages cannot leave the file, so they are not sent (why,
    // in German); empty again once they can.
    void heldStuck(int box, const QString &why);
    // A box was found to be of another kind than thought (kindOf() tells).
    void kindLearnt();

protected:
    // The way below: hands the message to the transport, returns its id;
    // the result comes to conclude() later. A fake replaces these in tests.
    virtual quint64 submit(const SendHandle &handle);
    virtual void ask(const QString &address);
    virtual quint64 question(const QString &address);
    void conclude(quint64 submitted, const SendResult &result);
    void answer(quint64 asked, const QuestionAnswer &answer);

private:
    // What the sender knows of one box.
    struct BoxWord {
        QString address; // as boxip.ini gave it last, trimmed
        BoxState state = BoxState::Unknown;
        QElapsedTimer since; // when it was said
        quint64 asking = 0;  // the sender's own question to the box, under way
        QList<SendHandle *> awaiting; // messages made while it asks, in order
    };
    struct PanelEntry {
        int box = 0;
        SendResult result;
    };

    BoxList boxesNow();
    SendHandle *make(const QString &address, const Message &message, const MessageOrigin &origin,
                     const QDateTime &madeAt = QDateTime());
    void route(SendHandle *handle);
    quint64 go(SendHandle *handle);
    void holdOrRefuse(SendHandle *handle, BoxState state);
    // continuing: the next of those that went out on the last word.
    void release(int box, bool continuing = false);
    bool releasing(int box) const;
    void releaseEnded(const HeldMessage &message, SendHandle *handle, const SendResult &result);
    void dropExpired();
    quint64 askModeOf(const QString &address, bool forWatch);
    void takeBoxAnswer(int box, const QuestionAnswer &answer, bool forWatch);
    int holdMinutes(const MessageOrigin &origin) const;
    void setResult(SendHandle *handle, const SendResult &result);
    void finish(SendHandle *handle, const SendResult &result);
    void finishSoon(SendHandle *handle, const SendResult &result);
    void followOnPanel(const SendHandle *handle);
    QString panelLine() const;
    void showOnPanel(const QString &text);
    void logKind(const QString &address, const QString &kind, const QString &version);

    BoxListSource *m_boxes;
    HttpTransport *m_transport;
    ProtocolSettings m_protocolSettings; // zelvo.ini's logins and display times, for the transport's kinds
    DeliveryRecord *m_record = nullptr;
    StatusBoard *m_display = nullptr;
    HeldMessages *m_held = nullptr;
    const Clock *m_clock = nullptr;
    bool m_askModes = false;
    LateWording m_lateWording;
    bool m_listRead = false; // boxip.ini was read: the words know their addresses
    quint64 m_nextId = 1;
    QHash<quint64, SendHandle *> m_submitted; // transport id -> handle still waiting
    QHash<quint64, SendHandle *> m_heldHandles; // held message id -> its handle
    QHash<quint64, HeldMessage> m_releasing; // transport id -> the held message on its way, one per box
    std::array<QString, BoxList::kBoxes> m_stuck; // why a box's held messages cannot leave the file
    std::array<BoxWord, BoxList::kBoxes> m_states;
    struct ModeQuestion {
        quint64 id = 0;
        bool forWatch = false; // the watch asked it too, and will say what it found
    };
    QHash<QString, ModeQuestion> m_modeQuestions; // address -> the question under way to it
    QSet<QString> m_identified; // addresses asked what they are
    QString m_panelText; // the producer's text behind the panel
    QHash<quint64, PanelEntry> m_panelResults; // the messages behind it
    quint64 m_panelLast = 0; // the message whose result changed last
    bool m_showing = false; // the panel changes through this object
};
