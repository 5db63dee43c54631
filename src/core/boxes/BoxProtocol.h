#pragma once

#include "boxes/BoxLink.h"
#include "boxes/Message.h"
#include "boxes/QuestionAnswer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class HttpAnswer;

// One GET to a box: the request target and the header lines beyond Host and
// Connection that this kind of box wants (none for some kinds).
struct BoxGet {
    QByteArray target;
    QList<std::pair<QByteArray, QByteArray>> headers;
};

// A message as it goes to one box.
struct MessageRequest {
    BoxGet get;
    bool shortened = false; // cut to this kind's limit, ending in "…"
    QStringList changes;    // what was changed to suit the box, in German, for the log
};

// The questions a box may be asked besides messages.
enum class BoxQuestion {
    Identity, // which kind of box it is and its version
    Mode,     // whether it can show a message now (standby and the like)
    Answer,   // whether somebody answered the yes/no question on its screen
};

// What a box's answer means for the request it answers.
struct AnswerMeaning {
    enum class Verdict {
        Accepted,    // the message was taken; the question answered as this kind answers it
        Refused,     // the box answered but did not take the message (why says what it said)
        NotThisKind, // the identity question's answer is not this kind's; a mode
                     // question's: the server says it lacks the question
    };
    Verdict verdict = Verdict::Refused;
    QString why;            // for Refused, in German as shown; empty when the status says it
    QString version;        // learnt from this answer, empty when it tells none
    std::optional<bool> canShow; // the mode question: whether a message would be seen now
    std::optional<PromptReply> reply; // the answer question
};

// What Zelvo needs to know of one kind of box: how a message is asked for,
// which questions identify it, and what its answers mean. One folder per
// kind implements it (src/core/boxes/<kind>/); ProtocolChoice says which
// serves a box. What a kind learns of a box (its version) it keeps in the
// box's link, in its own slot.
class BoxProtocol
{
public:
    // What is assumed of a box that nobody asked: its version not known yet,
    // or the current version of its kind.
    enum class Assumed { NotYetKnown, Current };

    virtual ~BoxProtocol() = default;

    // A short name of the kind, for logs ("nhttpd").
    virtual QString kindName() const = 0;
    // Which slot of a box's link it keeps what it learns in.
    virtual BoxKind kind() const = 0;

    // The request for message to the box at link, encoded for what is
    // known of that box by now, within this kind's length limit.
    virtual MessageRequest messageRequest(const BoxLink &link, const Message &message) const = 0;

    // The same for a box nobody asked (the dialog's warning, zelvo-check's
    // preview of what the television shows).
    virtual MessageRequest preview(const Message &message, Assumed assumed) const = 0;

    // What a box of this kind draws for a message request as written
    // (read only once it was written, so sending costs nothing for it).
    virtual QString shownText(const BoxGet &request) const = 0;

    // Whether a box that showed shownText for message changed it on its
    // way beyond what the current version of this kind shows (false when it
    // showed nothing).
    bool changedOnTheWay(const Message &message, const QString &shownText) const
    {
        return !shownText.isEmpty() && shownText != this->shownText(preview(message, Assumed::Current).get);
    }

    // text changed as a box that changed a message on its way shows it:
    // for the other texts of that message (its title in the record, the
    // information panel's line).
    virtual QString changedAlike(const QString &text) const = 0;

    // The message's request as a person reads it (zelvo-check shows it).
    virtual QString readable(const Message &message) const = 0;

    // The request that asks question, or nothing when this kind cannot be
    // asked it (then the box is treated as able to show messages).
    virtual std::optional<BoxGet> question(BoxQuestion question) const = 0;

    // The same for the box at link, with what that box wants on every
    // request (its password, for a kind that has one).
    virtual std::optional<BoxGet> questionFor(const BoxLink &link, BoxQuestion question) const
    {
        (void)link;
        return this->question(question);
    }

    // What answer from the box at link means for request, which asked
    // asked (a question; none: a message); what it tells of the box is
    // kept in link.
    virtual AnswerMeaning readAnswer(BoxLink &link, std::optional<BoxQuestion> asked, const BoxGet &request,
                                     const HttpAnswer &answer) = 0;

    // The request that asked asked of link got no answer: what depended
    // on it is forgotten.
    virtual void unanswered(BoxLink &link, std::optional<BoxQuestion> asked) = 0;

    // The version this kind learnt of the box at link; empty while none is known.
    QString version(const BoxLink &link) const { return link.learnt(kind()).version; }
};
