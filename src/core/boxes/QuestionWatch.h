#pragma once

#include "boxes/BoxList.h"
#include "boxes/Delivery.h"
#include "boxes/QuestionAnswer.h"
#include "boxes/SendResult.h"
#include "common/BoxState.h"

#include <QDateTime>
#include <QJsonArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>
#include <optional>

class BoxSender;
class Clock;
class DeliveryRecord;
class HeldMessages;
class SendHandle;

// The messages that ask for confirmation (Message::confirm), from hand-over
// until somebody answered them or their time ran out.
//
// A box keeps one yes/no question: a newer one replaces the older. So each
// box has at most one question out; the next waits (held, "vorige Frage
// offen") until that one is answered or expired. A box that can tell
// (Enigma2) is asked every kPollMs whether its question was answered while
// it is on, and once right after it comes on; a box that left "on" while its
// question was open gets it again when it is back, unless it was answered
// meanwhile. A box that cannot tell (a D-Box) shows the message until it is
// closed, and the record says just that. The record entry of each question
// follows it (DeliveryRecord::confirm).
//
// The questions are kept with the held messages (HeldMessages), so that a
// restart loses none; one open then is asked again once its box is on,
// unless its answer came meanwhile.
class QuestionWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPollMs = 10000;
    // How long a question may stay unanswered when its source's messages may
    // not wait at all.
    static constexpr int kDefaultMinutes = 60;
    static constexpr int kMaxPerBox = 100;

    QuestionWatch(BoxSender *sender, DeliveryRecord *record, HeldMessages *held, const Clock &clock,
                  QObject *parent = nullptr);

    // Reads the questions kept at the last end; after BoxSender::restoreHeld.
    void restore();

    // Questions not yet answered or expired (out, or waiting their turn).
    int openCount() const;
    // Whether box has a question out or waiting.
    bool busy(int box) const { return !m_boxes[box - 1].isEmpty(); }

public slots:
    // Every kPollMs while there are questions: ends the expired ones and asks
    // each box that is on (or of unknown state) what became of its question.
    void poll();

signals:
    void openCountChanged(int count);
    // A question's state as the record has it now (Waiting, or its end),
    // for the panel.
    void confirmationChanged(int box, const QString &text, Confirmation confirmation, const QDateTime &at);

private:
    struct Question {
        enum class State { Waiting, Going, Open, Away };
        quint64 id = 0; // its record entry
        int box = 0;
        Message message;
        MessageOrigin origin;
        QDateTime madeAt;
        QDateTime expiresAt;
        State state = State::Waiting;
        QPointer<SendHandle> handle; // while this run has one for it
        quint64 asked = 0;           // the answer question under way
    };

    Question questionOf(const SendHandle *handle, int minutes) const;
    std::optional<SendResult> take(SendHandle *handle, bool restored);
    void goNext(int box);
    void follow(Question &q, SendHandle *handle);
    void went(quint64 id, const SendResult &result);
    void stateSet(int box, BoxState state);
    void answered(quint64 asked, const QuestionAnswer &answer);
    void ask(Question &q);
    void end(int box, Confirmation confirmation);
    void changed();
    Question *find(quint64 id);
    static QJsonArray toJson(const QList<Question> &all);
    static QList<Question> fromJson(const QJsonArray &array);

    BoxSender *m_sender;
    DeliveryRecord *m_record;
    HeldMessages *m_held;
    const Clock &m_clock;
    std::array<QList<Question>, BoxList::kBoxes> m_boxes; // first: the one out; the rest wait
    std::array<BoxState, BoxList::kBoxes> m_states{};
    QList<SendHandle *> m_restored; // held ones read back before restore()
    QTimer m_poll;
    int m_countShown = 0;
};
