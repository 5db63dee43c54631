#pragma once

#include "boxes/BoxLink.h"
#include "boxes/Message.h"
#include "boxes/ProtocolChoice.h"
#include "boxes/QuestionAnswer.h"
#include "boxes/SendResult.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class HttpExchange;

// Carries every request to the boxes: one HTTP GET on a connection of its
// own (an HttpExchange), never blocking the caller, never sent twice, never
// redirected, never through a proxy. What goes on the wire and what an
// answer means is the box's protocol's (ProtocolChoice); this keeps one
// BoxLink per address (what is known of the box there, its queue) and the
// connection cap.
//
// Each request has its own time limit (60 s from hand-over, connect
// included; a query kQueryTimeoutMs) and ends with its own logged outcome.
// A box name is looked up by NameLookup, once for all requests that wait for
// it; a request that times out first stops waiting, and nothing waits for a
// look-up when the transport ends. Requests to the same
// address are written in the order they were handed over: a request is
// written once the one before it has been written or has failed, so a box
// that never answers delays nothing but is never waited for. At most
// kMaxConnectionsPerBox connections to one box are open at a time; the rest
// wait (their time limit running). Requests to different addresses never
// wait for each other. A box's answer is read only up to HttpAnswer's
// limits, then the connection is closed.
class HttpTransport : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 60000;
    static constexpr int kMaxConnectionsPerBox = 6;
    // A question such as the version query is answered at once by any box
    // that answers at all; the messages behind it wait no longer than this.
    static constexpr int kQueryTimeoutMs = 5000;
    // The mode question is asked every watch tick; a box that takes longer
    // counts as unable to tell.
    static constexpr int kModeTimeoutMs = 3000;

    // The port is 80 for the boxes; tests pass their own server's port and a
    // short time-out.
    explicit HttpTransport(quint16 port = 80, int timeoutMs = kDefaultTimeoutMs, QObject *parent = nullptr);
    ~HttpTransport() override;

    // Queues message for address and returns its id; done() follows exactly
    // once, always after submit() has returned, also when the address is
    // refused at once. When the box's protocol reads the answer as a
    // refusal in the box's own words, they are the result's reason and it
    // ends Failed, whatever the status.
    quint64 submit(const std::shared_ptr<BoxLink> &link, const Message &message);
    quint64 submit(const QString &address, const Message &message) { return submit(link(address), message); }

    // Asks the box at address what it is: the identity question of each
    // kind in turn (ProtocolChoice::identityOrder), until one kind
    // recognises the answer or the box does not answer; the next messages to
    // it wait for the answers, at most kQueryTimeoutMs per question.
    void identify(const std::shared_ptr<BoxLink> &link);
    void identify(const QString &address) { identify(link(address)); }

    // Asks the box at address question (such as the mode question) ahead
    // of the messages handed over after it; answered() follows exactly once,
    // after ask() has returned. A box whose kind is not known yet is asked
    // what it is first; while no identity question was answered, its mode
    // cannot be learnt (answered, not reached). A server that says it lacks
    // the mode question is asked its protocol's next one in its place; an
    // answer that tells nothing counts as none. Logged at debug level only:
    // the watch asks every ten seconds.
    quint64 ask(const std::shared_ptr<BoxLink> &link, BoxQuestion question);
    quint64 ask(const QString &address, BoxQuestion question) { return ask(link(address), question); }

    // The box at address: its link, made (and the address read) the first
    // time it is named. Links of no configured box (firstBox 0) that are
    // idle are let go once more than kIdleLinksKept of them pile up.
    std::shared_ptr<BoxLink> link(const QString &address);
    static constexpr int kIdleLinksKept = 32;

    // What the sender needs of the kinds, without reaching past the
    // transport: the kind that serves a box and its name ("Enigma2", empty
    // for today's); how long boxes show a text (zelvo.ini). A message is
    // encoded for what is known when its request is written.
    const BoxProtocol &protocolFor(const BoxLink &link) { return m_protocols.protocolFor(link); }
    // Whether the kind known at link can put question to its box (none
    // while the kind is not known).
    bool canAsk(const BoxLink &link, BoxQuestion question)
    {
        return !kindOf(link).isEmpty() && protocolFor(link).questionFor(link, question).has_value();
    }
    // The kind at link when the box showed the message as shownText, other
    // than sent; null when it showed it as sent.
    const BoxProtocol *changedBy(const BoxLink &link, const Message &message, const QString &shownText)
    {
        const BoxProtocol &protocol = protocolFor(link);
        return protocol.changedOnTheWay(message, shownText) ? &protocol : nullptr;
    }
    QString kindOf(const BoxLink &link) const { return m_protocols.kindOf(link); }
    void setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds)
    {
        m_protocols.setDisplayTimes(popupSeconds, messageSeconds);
    }

    quint16 port() const { return m_port; }

    // Requests queued or on their way (for tests and shutdown).
    int pendingCount() const { return int(m_requests.size()); }

signals:
    // The end of a submitted message.
    void done(quint64 id, const SendResult &result);
    // The answer to a question from ask().
    void answered(quint64 id, const QuestionAnswer &answer);
    // The box at address was found to be of a kind other than today's
    // (kind as ProtocolChoice::kindOf names it; logged once); version empty
    // when unknown.
    void kindLearnt(const QString &address, const QString &kind, const QString &version);

private:
    HttpExchange *create(const std::shared_ptr<BoxLink> &link);
    // Queues x last in its box's lane, or at position.
    void hand(HttpExchange *x, int position = -1);
    // Asks the first of kinds that has an identity question, at position;
    // false when none is left.
    bool askIdentity(const std::shared_ptr<BoxLink> &link, QList<BoxProtocol *> kinds, int position);
    // Whether an identity question to link is queued or under way.
    static bool identifying(const BoxLink &link);
    BoxProtocol &protocolOf(const HttpExchange *x);
    MessageRequest requestOf(const HttpExchange *x, bool logged);
    void service(const std::shared_ptr<BoxLink> &link);
    void startWhatMayStart(BoxLink &link);
    void writeWhatMayGo(BoxLink &link);
    void letGoOfIdleLinks();
    void ended(HttpExchange *x, const SendResult &end);
    void emitDone(quint64 id, const SendResult &result);
    void emitAnswered(quint64 id, const QuestionAnswer &answer);
    void endQuestion(HttpExchange *x, const AnswerMeaning &meaning, const QString &error, DeliveryOutcome outcome);
    void logNotSent(BoxLink &link, const QByteArray &target, const QString &reason);

    quint16 m_port;
    int m_timeoutMs;
    quint64 m_nextId = 1;
    QHash<quint64, HttpExchange *> m_requests;
    QHash<QString, std::shared_ptr<BoxLink>> m_links; // address as configured, trimmed -> its box
    std::vector<std::shared_ptr<BoxLink>> m_dirty; // lanes whose state changed
    bool m_servicing = false;
    ProtocolChoice m_protocols;
};
