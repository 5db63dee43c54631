#pragma once

#include "boxes/BoxList.h"
#include "boxes/Delivery.h"
#include "boxes/Message.h"
#include "boxes/SendResult.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class BoxSender;
class SendHandle;

// One message from `zelvo send` to the boxes it names, through BoxSender,
// and what became of it at each box, as each message's handle tells.
class ScriptDelivery : public QObject
{
    Q_OBJECT
public:
    struct BoxOutcome {
        int box = 0;
        QString address;
        DeliveryOutcome outcome = DeliveryOutcome::Waiting;
        int httpStatus = 0; // 0: no answer
        QString error; // why, in words (SendResultText); empty when answered
        SendFailure why = SendFailure::None;

        bool reached() const { return SendResult::success(httpStatus); }
        // Held for its box, which is in standby or off: the running Zelvo
        // delivers it when the box can show it.
        bool held() const { return outcome == DeliveryOutcome::Held; }
        // Whether its end is known (a running Zelvo not asked to wait
        // answers before most are).
        bool known() const { return outcome != DeliveryOutcome::Waiting; }
        // For stderr: "Box 2 (127.0.0.3): nicht angekommen - Verbindung abgelehnt",
        // in the record's words for the outcome.
        QString failureText() const;
    };

    explicit ScriptDelivery(BoxSender *sender, QObject *parent = nullptr);

    // Sends message to boxes (1..BoxList::kBoxes; empty: every box that
    // names an address).
    // A box asked for by number that names no address is not contacted and
    // fails at once. finished() follows when every outcome is known, also
    // when nothing was sent. Returns the handles of the messages, in the
    // order of the boxes (each ends later, see SendHandle).
    QList<SendHandle *> start(const BoxList &list, const QList<int> &boxes, const Message &message);

    // Whether text has anything to show: at least one character that is not
    // a control character (a line break alone shows nothing either).
    static bool hasText(const QString &text);
    // The start of text that decides every request made of it, for the way
    // to the running Zelvo: a request target holds at most
    // ProtocolChoice::kLongestTarget bytes and each character other than a
    // control character takes at least one of them, so the
    // rest is cut (ending in "…") wherever it goes. Long runs of control
    // characters stop at kMaxRequestChars, where nothing of them is sent.
    static QString cutForRequest(const QString &text);
    static constexpr int kMaxRequestChars = 8192;

    // Asks each box for its web server version before the message, so that
    // the text is written for it (a process that has not talked to the boxes
    // yet; the running program learns it from its status watch).
    void setAskVersionFirst(bool ask) { m_askVersionFirst = ask; }
    // How long the message may wait for a box that cannot show it, in
    // minutes; unset: zelvo.ini's time for texts, 0: not at all.
    void setHoldMinutes(std::optional<int> minutes) { m_holdMinutes = minutes; }
    // Whom the record names as its sender: `zelvo send` unless set.
    void setSource(MessageSource source) { m_source = source; }

    QList<int> boxes() const;
    // Whether at least one box names an address, so its message went on its way.
    bool sentToAny() const { return m_handedOver > 0; }
    const QList<BoxOutcome> &outcomes() const { return m_outcomes; }
    bool isFinished() const { return m_open == 0 && m_started; }
    bool allReached() const;

signals:
    void finished();

private:
    void take(int i, const SendResult &result);

    BoxSender *m_sender;
    QList<BoxOutcome> m_outcomes;
    int m_open = 0;
    int m_handedOver = 0;
    bool m_started = false;
    bool m_askVersionFirst = false;
    std::optional<int> m_holdMinutes;
    MessageSource m_source = MessageSource::Script;
};
