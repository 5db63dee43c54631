#pragma once

#include "boxes/Message.h"
#include "common/BoxState.h"
#include "sendtext/SendTextSettings.h"

#include <QDir>
#include <QList>
#include <QString>

// The text typed into the send-text dialog in the two forms a send needs:
// for the box, each line break one "\n"; for the information panel, the line
// breaks dropped and the lines run together.
struct TypedText {
    QString text;
    QString plain;

    // Every line break counts once, whether it is CR LF, a lone LF or a lone
    // CR; every other character is kept in both forms.
    static TypedText convert(const QString &typed);
};

class BoxSender;
struct BoxList;

// What pressing "Text senden & Schließen" does: the typed text (or "---"
// when there is none) goes to each ticked box that has an address, in box
// order; the sender holds it for a box in standby or off (typed texts wait
// as long as zelvo.ini says). The choices are saved to wendrel.ini even
// when no box was reached; the panel shows the text, or that nothing was
// sent and why (the outcome says so too).
class SendTextStep
{
public:
    static inline const QString kEmptyText = QStringLiteral("---");
    static inline const QString kShortenedNotice = QStringLiteral(
        "Der Text ist zu lang für eine Nachricht an die D-Box. Gekürzt gesendet endet er mit „…“.");

    struct Outcome {
        QString text;          // what was sent: the typed text, or "---"
        TypedText converted;
        Message message;       // the text with its line breaks, of the kind chosen
        QList<int> sentTo;     // boxes 1..BoxList::kBoxes, in order, the held ones too
        QList<int> held;       // of those, the boxes that hold it until they are on
        QString saveError;     // the message for the user, empty when saved
        QString notSent;       // when no box got it: what the panel says, e.g. "Nichts gesendet: keine Box angekreuzt"
        QString heldSummary;   // when a box holds it: which boxes got it and which hold it
    };

    // The settings are saved in folder.
    static Outcome run(const QDir &folder, BoxSender *sender, const QString &typed, const SendTextSettings &settings);

    static QString textToSend(const QString &typed) { return typed.isEmpty() ? kEmptyText : typed; }
    // Whether the text must be cut to fit one request (on a box whose web
    // server is not known to be new, where "&", "+" and "%" take words).
    static bool willBeShortened(const QString &typed, MessageKind kind);
    // What is said of a text's length while it is typed: "16 Zeichen", or
    // for one that will be cut, how much arrives and kShortenedNotice.
    struct LengthNote {
        int characters = 0; // each line break one
        bool shortened = false;
        QString words;
    };
    static LengthNote lengthNote(const QString &typed, MessageKind kind);
    // The boxes that are ticked and have an address.
    static QList<int> receivers(const BoxList &boxes, const SendTextSettings &settings);
    // Why no box gets the text: none ticked, or none of the ticked ones has an address.
    static QString noReceiverReason(const SendTextSettings &settings);
    // What a typed text does for a box in standby or off, held up to
    // holdMinutes: "im Standby – wird gezeigt, sobald sie eingeschaltet ist,
    // höchstens 30 Min."; empty for a box that is on or not yet seen.
    static QString waitingText(BoxState state, int holdMinutes);
};
