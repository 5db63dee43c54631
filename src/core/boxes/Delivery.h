#pragma once

#include "boxes/Message.h"
#include "boxes/SendResult.h"

#include <QDateTime>
#include <QString>

#include <optional>

// Which part of the program a message comes from.
enum class MessageSource { Reminder, StatusNotice, BoxTest, TypedText, Script, Web };

// Who hands a message over, and for which box (1..BoxList::kBoxes; 0 when for none).
struct MessageOrigin {
    MessageSource source = MessageSource::Script;
    int box = 0;
    // What the record shows of the text; its first line when empty. A
    // reminder's first line is only the hour, so it gives its own line.
    QString title = {};
    // A reminder's due time: how long it may be held counts from there.
    QDateTime dueAt = {};
    // How long it may wait for its box, in minutes, when not the settings'
    // time for its source; 0: sent now or never.
    std::optional<int> holdMinutes = {};
    // The record's source when more than the kind says: a calendar's name.
    QString sourceName = {};
    // A reminder's due time as its message names it ("Sonntag 08:00 Uhr"),
    // for saying so when it goes late; empty for any other message.
    QString dueWords = {};
};

// One message in the delivery record: when, to which box, what, and how it went.
struct Delivery {
    quint64 id = 0;
    QDateTime time;
    MessageOrigin origin;
    QString address; // as configured, trimmed; empty when no box was chosen
    QString boxKind; // the kind of box it went to ("Enigma2"); empty for today's kind
    MessageKind kind = MessageKind::Message;
    QString firstLine; // of the origin's title, or of the text, as the box shows it
    QString text;      // the whole text as the box shows it (at most kMaxText characters)
    bool changedOnTheWay = false; // the box showed the text changed (an old one: "und" for "&")
    DeliveryOutcome outcome = DeliveryOutcome::Waiting;
    int httpStatus = 0;
    SendFailure why = SendFailure::None;
    QString reason; // why, in the words shown (SendResultText), kept as they were shown
    QString heldBecause; // why it waited for its box ("Box im Standby"), empty when it went at once
    QDateTime endedAt;   // when its outcome became known
    Confirmation confirmation = Confirmation::None;
    QDateTime confirmedAt; // when the yes/no question was answered

    // Whether the box took it: answered with a 2xx status.
    bool delivered() const { return SendResult::delivered(outcome, httpStatus); }

    QString boxText() const;     // "Box 2 (192.168.0.10)", "Box 2 (Enigma2, 192.168.0.12)", or "keine Box"
    QString sourceText() const;  // "Erinnerung", "Statusmeldung", …
    QString kindText() const;    // "Popup" or "Message", as the send-text dialog names them
    QString outcomeText() const; // "beantwortet (HTTP 200)", "nicht gesendet: …", …
    // The panel's line for a question's state: "Box 2: gesehen um 08:02 (Ja) – Tabletten".
    static QString confirmationPanelText(int box, const QString &text, Confirmation confirmation,
                                         const QDateTime &at);

    // One line on how it went, for the tray tip:
    // "Letzte Nachricht 12:03:04 an Box 1: beantwortet (HTTP 200)".
    QString summaryText() const;

    // The first line, cut to 160 characters (ending in "…" when cut).
    static QString firstLineOf(const QString &text);
    // The text kept for the tool tip: more than one request can carry.
    static constexpr int kMaxText = 4096;
    // What the information panel shows instead of a text that reached no box.
    static QString notSentPanelText(int box, const QString &reason);
    // The panel when the messages behind panelText all went but none
    // arrived: "Test für die 3. D-Box2 - nicht angekommen: Anmeldung verlangt …".
    static QString notArrivedPanelText(const QString &panelText, const SendResult &result, int box);
};
