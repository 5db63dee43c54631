#pragma once

#include "boxes/BoxLinks.h"
#include "boxes/BoxList.h"
#include "boxes/BoxProtocol.h"
#include "boxes/Delivery.h"
#include "boxes/HeldMessage.h"
#include "boxes/HoldGate.h"
#include "boxes/ModeQuestions.h"
#include "boxes/Message.h"
#include "boxes/QuestionAnswer.h"
#include "boxes/SendResult.h"
#include "common/BoxState.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class BoxListSource;
class Clock;
class DeliveryRecord;
class HeldMessages;
class HttpTransport;
class SendHandle;
class PanelFollower;
class ZelvoSettings;

// The one way a message reaches a box. Every producer (reminders, status
// notices, the send-text step, the box address test, `zelvo send`) hands its
// messages here and gets a SendHandle back.
//
// Messages to one box are written in the order they were sent, boxes never
// wait for each other, and each message is tried once (the transport keeps
// that). Each message is entered in the delivery record when it is handed
// over and concluded with its result.
//
// Whether a message to box 1..4 goes now, is held or refused is the
// HoldGate's to decide (a box in standby answers "ok" and shows nothing);
// the sender carries out its steps. An address typed for the test is never
// held.
//
// The information panel follows the producers' texts in PanelFollower
// (panel()).
class BoxSender : public QObject
{
    Q_OBJECT
public:
    // How long a message may take, from hand-over to answer.
    static const int kDefaultTimeoutMs;

    struct Options {
        quint16 port = 80; // tests pass their own server's port and a short time-out
        int timeoutMs = kDefaultTimeoutMs;
        // zelvo.ini as the engine follows it; the sender follows its own
        // when null.
        ZelvoSettings *settings = nullptr;
    };

    BoxSender(BoxListSource *boxes, const Options &options, QObject *parent = nullptr);
    ~BoxSender() override;

    // Where each message and its result are entered; none when null.
    void keepRecordIn(DeliveryRecord *record);
    // The information panel's following of the producers' texts.
    PanelFollower *panel() const { return m_panel; }
    // Messages for a box that cannot show them wait in held; clock says
    // when they expire. Without this, such a message is not sent at all.
    void holdIn(HeldMessages *held, const Clock *clock) { m_gate->holdIn(held, clock); }
    // Asks a box whether it can show a message before sending to it (on for
    // holding).
    void askModeFirst() { m_gate->askModeFirst(); }
    // Reads the held messages at start: each is entered in the record as
    // held; those whose time ran out meanwhile as expired.
    void restoreHeld();
    int heldCount() const { return m_gate->heldCount(); }
    // How a held reminder reads when it goes out more than
    // HoldGate::kLateSecs after its due time: the producer's words for "it
    // is late", from the message and why it was held. None: it goes as it
    // was made.
    using LateWording = std::function<Message(const Message &, const MessageOrigin &, HoldReason)>;
    static constexpr int kLateSecs = HoldGate::kLateSecs;
    void rewordLate(const LateWording &wording) { m_lateWording = wording; }
    // How long a message of source may wait for its box, in minutes (zelvo.ini).
    int holdMinutesFor(MessageSource source) const { return m_gate->holdMinutes({source, 0}); }
    int holdMinutesFor(const MessageOrigin &origin) const { return m_gate->holdMinutes(origin); }

    // A message that asks for confirmation, to box 1..BoxList::kBoxes,
    // passes the taker first (restored: read back with the held ones, it
    // goes its way anyway). For one it keeps until its box's open question
    // is done, the taker returns the Held result it shows meanwhile; it lets
    // it go on with proceed() or ends it with endKept().
    using QuestionTaker = std::function<std::optional<SendResult>(SendHandle *, bool restored)>;
    void takeQuestionsWith(const QuestionTaker &taker) { m_questionTaker = taker; }
    void proceed(SendHandle *handle) { carryOut(m_gate->route(handle)); }
    void endKept(SendHandle *handle, const SendResult &result) { finish(handle, result); }
    // A question asked again, or first asked after a restart, under the id
    // its record entry has already.
    SendHandle *sendAgain(quint64 id, int box, const Message &message, const MessageOrigin &origin);
    // Asks box whether somebody answered the yes/no question on its screen;
    // modeAnswered(id) follows with the reply.
    quint64 askAnswer(int box) { return question(m_links.address(box), BoxQuestion::Answer); }
    // Whether box's kind can say what became of its yes/no question.
    virtual bool canTellAnswer(int box);
    // The messages waiting for box 1..BoxList::kBoxes, oldest first.
    QList<HeldMessage> heldFor(int box) const { return m_gate->heldFor(box); }
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
    BoxState boxState(int box) const { return m_gate->state(box); }
    // The kind of box at box's address as found by asking it: "Enigma2",
    // or empty for today's kind and for a box not asked yet.
    QString kindOf(int box);

public slots:
    // boxip.ini changed (BoxListSource::changed): a box whose address
    // changed is a new box, and the logins follow the addresses.
    void setBoxList(const BoxList &boxes);

signals:
    // The answer to askMode() or askAnswer().
    void modeAnswered(quint64 id, const QuestionAnswer &answer);
    // What setBoxState() was told.
    void boxStateSet(int box, BoxState state);
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
    virtual quint64 question(const QString &address, BoxQuestion question);
    void conclude(quint64 submitted, const SendResult &result);
    void answer(quint64 asked, const QuestionAnswer &answer);

private:
    void lookForChanges();
    SendHandle *make(const std::shared_ptr<BoxLink> &link, const Message &message, const MessageOrigin &origin,
                     const QDateTime &madeAt = QDateTime());
    void carryOut(const GateSteps &steps);
    SendHandle *restored(const HeldMessage &message);
    quint64 go(SendHandle *handle);
    void setResult(SendHandle *handle, const SendResult &result);
    void finish(SendHandle *handle, const SendResult &result);
    void finishSoon(SendHandle *handle, const SendResult &result);

    BoxListSource *m_boxes;
    std::unique_ptr<ZelvoSettings> m_ownSettings; // when the engine gave none
    ZelvoSettings *m_settings;
    HttpTransport *m_transport;
    BoxLinks m_links; // boxes 1..4 at their addresses, with zelvo.ini's logins
    DeliveryRecord *m_record = nullptr;
    PanelFollower *m_panel;
    std::unique_ptr<HoldGate> m_gate; // the standby gate and holding
    LateWording m_lateWording;
    QuestionTaker m_questionTaker;
    quint64 m_nextId = 1;
    QHash<quint64, SendHandle *> m_submitted;               // transport id -> handle still waiting
    ModeQuestions m_modes;
};
