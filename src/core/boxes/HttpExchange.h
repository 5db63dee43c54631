#pragma once

#include "boxes/BoxProtocol.h"
#include "boxes/HttpAnswer.h"
#include "boxes/Message.h"
#include "boxes/SendResult.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class BoxAddress;
class BoxLink;
class NameLookup;
class QTcpSocket;

// One request's life, from hand-over to its end: waiting its turn, the
// name's look-up, the connection, writing, reading the answer. It ends
// exactly once (ended()), by an answer, an error or its time limit; the
// transport decides when it starts and when it writes.
class HttpExchange : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Queued,     // handed over, not started (the box's connections are all in use)
        LookingUp,  // waits for its name's address
        Connecting, //
        Connected,  // waits for the requests before it to be written
        Writing,    //
        Reading,    // written, waits for the answer
        Done,
    };

    HttpExchange(quint64 id, std::shared_ptr<BoxLink> link, QObject *parent);

    quint64 id() const { return m_id; }
    BoxLink &link() const { return *m_link; } // the box it goes to
    const std::shared_ptr<BoxLink> &sharedLink() const { return m_link; }
    const QString &key() const;               // the address as configured, trimmed
    State state() const { return m_state; }
    // Whether it was started (it holds, or held, one of the box's connections).
    bool wasStarted() const { return lastActive() != State::Queued; }
    // Whether it got as far as connecting (else it was never sent anywhere).
    bool triedToConnect() const { return m_socket != nullptr; }
    bool written() const { return lastActive() == State::Reading; }
    const HttpAnswer &answer() const { return m_answer; }

    // What it carries: a message, or a question such as the version question.
    std::optional<BoxQuestion> question;
    quint64 askedAs = 0; // a question whose answer is awaited: the id ask() returned
    Message message;
    BoxGet get; // filled when it is written
    // An identity question: the kind whose question it is, and the kinds
    // to ask next when the box does not answer it as one of that kind.
    BoxProtocol *asked = nullptr;
    QList<BoxProtocol *> askNext;

    // Its time limit runs from now.
    void startLimit(int ms);
    // Looks up the name if needed, then connects to port.
    void start(quint16 port);
    // Writes the whole request; only once connected.
    void write(const QByteArray &request);
    // Ends it now (at most once): status > 0 answered, else error says why.
    void end(DeliveryOutcome outcome, SendFailure why, int status = 0, const QString &said = QString());

signals:
    void connected();
    void writtenOut();
    // The end, exactly once; status 0 when it failed.
    void ended(const SendResult &result);

private:
    State lastActive() const { return m_state == State::Done ? m_endedIn : m_state; }
    void connectTo(const BoxAddress &box, quint16 port);
    void readAnswer();
    void closed(DeliveryOutcome outcome, SendFailure why, const QString &said = QString());
    void timedOut();

    quint64 m_id;
    std::shared_ptr<BoxLink> m_link;
    State m_state = State::Queued;
    State m_endedIn = State::Queued; // the state it was in when it ended
    int m_waitedMs = 0;              // set when its time ran out
    qint64 m_toWrite = 0;
    QTimer m_limit;
    NameLookup *m_lookup = nullptr;
    QTcpSocket *m_socket = nullptr;
    HttpAnswer m_answer;
};
