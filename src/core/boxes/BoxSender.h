#pragma once

#include "boxes/Delivery.h"
#include "boxes/Message.h"
#include "boxes/ProtocolSettings.h"
#include "boxes/SendResult.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class BoxListSource;
class DeliveryRecord;
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
// The information panel shows a producer's text only when some box got it
// (showWhenSent): it says "Nichts gesendet an Box N: …" when every message
// behind the text was not sent, and shows "und", "plus", "Prozent" where a
// box with an old web server got them.
class BoxSender : public QObject
{
    Q_OBJECT
public:
    // How long a message may take, from hand-over to answer.
    static const int kDefaultTimeoutMs;

    struct Options {
        quint16 port = 80; // tests pass their own server's port and a short time-out
        int timeoutMs = kDefaultTimeoutMs;
    };

    BoxSender(BoxListSource *boxes, const Options &options, QObject *parent = nullptr);
    ~BoxSender() override;

    // Where each message and its result are entered; none when null.
    void keepRecordIn(DeliveryRecord *record) { m_record = record; }
    // The panel that showWhenSent() writes to.
    void showOn(StatusBoard *display);

    BoxListSource *boxList() const { return m_boxes; }
    // Messages handed over whose end is not yet known.
    int pendingCount() const { return int(m_submitted.size()); }

    // To box 1..BoxList::kBoxes at the address boxip.ini gives it now.
    SendHandle *send(int box, const Message &message, const MessageOrigin &origin);
    // To an address typed, not saved (the box address test).
    SendHandle *sendTo(const QString &address, const Message &message, const MessageOrigin &origin);
    // A message with no box to go to: it ends NotSent for reason.
    SendHandle *notSent(const Message &message, const MessageOrigin &origin, const QString &reason);

    // Asks the box which kind and version it is; the next messages to it
    // wait for the answer.
    void identify(int box);
    void identifyAt(const QString &address);

    // The kind of box at box's address as found by asking it: "Enigma2",
    // or empty for today's kind and for a box not asked yet.
    QString kindOf(int box);

    // The panel shows panelText when at least one of handles may reach its
    // box, else why the last of them was not sent; it follows their results.
    void showWhenSent(const QList<SendHandle *> &handles, const QString &panelText);

protected:
    // The way below: hands the message to the transport, returns its id;
    // the result comes to conclude() later. A fake replaces these in tests.
    virtual quint64 submit(const SendHandle &handle);
    virtual void ask(const QString &address);
    void conclude(quint64 submitted, const SendResult &result);

private:
    SendHandle *hand(const QString &address, const Message &message, const MessageOrigin &origin);
    void finish(SendHandle *handle, const SendResult &result);
    void showOnPanel(const QString &text);
    void logKind(const QString &address, const QString &kind, const QString &version);

    BoxListSource *m_boxes;
    HttpTransport *m_transport;
    ProtocolSettings m_protocolSettings; // zelvo.ini's logins and display times, for the transport's kinds
    DeliveryRecord *m_record = nullptr;
    StatusBoard *m_display = nullptr;
    quint64 m_nextId = 1;
    QHash<quint64, SendHandle *> m_submitted; // transport id -> handle still waiting
    QHash<quint64, SendResult> m_panelResults; // the messages behind the panel's text; Waiting while under way
    bool m_showing = false; // the panel changes through this object
};
