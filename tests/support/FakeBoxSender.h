#pragma once

#include "boxes/BoxSender.h"
#include "boxes/SendHandle.h"

#include <QList>
#include <QStringList>

// A BoxSender whose messages go nowhere: it keeps what producers sent and
// asked, and ends a message when the test says so. Everything above the
// transport (handles, the record, the panel rule) is the real one.
class FakeBoxSender : public BoxSender
{
public:
    struct Sent {
        quint64 id = 0;
        QString address;
        Message message;
        MessageOrigin origin;
    };

    explicit FakeBoxSender(BoxListSource *boxes, QObject *parent = nullptr)
        : BoxSender(boxes, Options(), parent)
    {
    }

    QList<Sent> sent;
    QStringList identified; // addresses asked what they are, in order
    QStringList modeAsked;  // addresses asked their mode, in order
    QStringList answerAsked; // addresses asked what became of their yes/no question
    bool tellsAnswers = true; // whether the boxes can say what became of a question

    // Answers the i-th answer question.
    void reply(int i, const QuestionAnswer &a) { answer(quint64(kFirstAnswer + i), a); }
    bool canTellAnswer(int) override { return tellsAnswers; }

    // Answers the i-th mode question.
    void answerMode(int i, const QuestionAnswer &a) { answer(quint64(kFirstQuestion + i), a); }

    // Ends the i-th message sent.
    void end(int i, const SendResult &result) { conclude(sent.at(i).id, result); }
    void endAll(const SendResult &result)
    {
        for (int i = 0; i < sent.size(); ++i)
            end(i, result);
    }

protected:
    quint64 submit(const SendHandle &handle) override
    {
        sent.append({quint64(sent.size() + 1), handle.address(), handle.message(), handle.origin()});
        return sent.last().id;
    }
    void ask(const QString &address) override { identified << address; }
    quint64 question(const QString &address, BoxQuestion question) override
    {
        QStringList &asked = question == BoxQuestion::Mode ? modeAsked : answerAsked;
        asked << address;
        return quint64((question == BoxQuestion::Mode ? kFirstQuestion : kFirstAnswer) + asked.size() - 1);
    }

private:
    static constexpr int kFirstQuestion = 1000000;
    static constexpr int kFirstAnswer = 2000000;
};
