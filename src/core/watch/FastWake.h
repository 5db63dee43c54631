#pragma once

#include "boxes/BoxList.h"
#include "boxes/QuestionAnswer.h"
#include "watch/EchoResult.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

class BoxSender;
class EchoProber;

// While something waits for a box to come on (held messages, or a question
// for confirmation), that box is asked every second: its mode (one bounded
// question) while it answers echo, one echo while it is off. What it says
// goes to the sender at once, so that the held messages leave at the first
// "on", not at the watch's next tick. While nothing waits, no timer runs.
class FastWake : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 1000;

    // Whether something besides held messages waits for box.
    using Waiting = std::function<bool(int box)>;

    FastWake(BoxSender *sender, EchoProber *prober, QObject *parent = nullptr);
    void watchAlso(const Waiting &waiting) { m_alsoWaiting = waiting; }

    bool isRunning() const { return m_timer.isActive(); }

public slots:
    // What waits changed: runs while anything does.
    void update();

signals:
    // box was found on (after the sender heard it): the lamps and the notice
    // need not wait for the watch's next tick.
    void cameOn(int box);

private:
    bool waiting(int box) const;
    void tick();
    void askMode(int box);
    void takeEcho(int id, const EchoResult &result);
    void takeMode(quint64 asked, const QuestionAnswer &answer);

    BoxSender *m_sender;
    EchoProber *m_prober;
    Waiting m_alsoWaiting;
    QTimer m_timer;
    std::array<quint64, BoxList::kBoxes> m_asked{}; // mode questions under way
    std::array<bool, BoxList::kBoxes> m_probing{};   // echoes under way
};
