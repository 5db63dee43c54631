#pragma once

#include "boxes/BoxList.h"
#include "boxes/QuestionAnswer.h"
#include "common/BoxState.h"
#include "watch/EchoResult.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>

class StatusBoard;
class EchoProber;
class BoxSender;

// The Timer2 tick: probes every configured box, asks each box that answers
// whether it can show a message now (its mode), colours the lamps (on,
// standby, off), keeps the box status text and tells the boxes when a box was
// switched on or off. A box in standby counts as off for the notices and the
// status text: nobody sees a text on it. The sender hears each box's state,
// so that it holds messages for a box that cannot show them.
//
// A tick hands all its probes to the prober at once and returns; when the
// last result is in, it applies them in one go. A tick that is still under
// way, or a watch that is held, lets further ticks pass.
//
// A probe can outlast its tick only through a slow name look-up. The tick
// does not wait for it beyond a limit (the box counts as off), and that box
// is not probed again until the old probe has come back, so slow look-ups
// never pile up.
class StatusWatch : public QObject
{
    Q_OBJECT
public:
    static inline const QString kNoticeHead = QStringLiteral("Der Status der D-Boxen hat sich geändert:\n\n");
    static inline const QString kPanelText = QStringLiteral("Status der D-Boxen hat sich geändert!");
    static inline const QString kUnresolvedAlert = QStringLiteral("GetHostByName lieferte ungültiges Ergebnis!");
    static inline const QString kIcmpNotAllowedAlert = QStringLiteral(
        "Die D-Boxen können nicht angepingt werden: ICMP ist diesem Programm nicht erlaubt.\n"
        "Abhilfe: sysctl -w net.ipv4.ping_group_range=\"0 2147483647\" oder setcap cap_net_raw+ep zelvo");

    // The boxes come from sender's box list; sender and prober are not owned.
    StatusWatch(StatusBoard *display, BoxSender *sender, EchoProber *prober, QObject *parent = nullptr);

    static constexpr int kDefaultTickLimitMs = 5000; // well inside Timer2's 10 s

    bool isRunning() const { return m_running; }
    void setTickLimitMs(int ms) { m_deadline.setInterval(ms); }

    // While held (e.g. while a message box is open) ticks are let pass; a
    // tick already under way still ends. Holds nest.
    void hold();
    void release();
    bool isHeld() const { return m_holds > 0; }

    // The notice about every box whose character differs, in box order, with
    // real line breaks.
    static QString composeNotice(const QString &stored, const QString &current);

public slots:
    void tick();

signals:
    void alert(const QString &text);
    // A tick began probing (not emitted for ticks let pass).
    void tickStarted();
    // A tick has applied its results (not emitted for ticks let pass).
    void tickFinished();

private:
    void takeResult(int id, const EchoResult &result);
    void takeMode(quint64 asked, const QuestionAnswer &answer);
    void askModes();
    void logState(int box, BoxState state, const QuestionAnswer &mode);
    void giveUpWaiting();
    void logResult(int box, const EchoResult &result);
    void finishTick();
    QString judge();
    QStringList show();
    void tell();
    void notify(const QString &current);

    StatusBoard *m_display;
    BoxSender *m_sender;
    EchoProber *m_prober;

    bool m_running = false;
    int m_holds = 0;
    int m_pending = 0; // echo results, then mode answers, still to come
    int m_generation = 0; // of the running tick; results of older ones are late
    QTimer m_deadline;
    bool m_toldIcmpNotAllowed = false;
    BoxList m_boxes; // as read at the start of the running tick

    // What the watch knows of one box.
    struct Box {
        bool probed = false;    // configured, so probed in the running tick
        bool answered = false;  // its result for the running tick is in
        EchoResult result;      // of the running tick
        quint64 modeAsked = 0;  // the mode question of the running tick, while under way
        QuestionAnswer mode;    // its answer (canShow empty: cannot tell)
        BoxState state = BoxState::Unknown; // as judged last
        BoxState stateLogged = BoxState::Unknown;
        QString modeRefusalLogged; // why the box answering echo did not say its mode, as last logged
        bool inFlight = false;  // a probe not yet come back, from any tick
        QString unresolvedShown; // address whose look-up failure was shown
        QString lastLogged;      // address and outcome last logged at info level
    };
    std::array<Box, BoxList::kBoxes> m_box;
    QElapsedTimer m_tickTime;
};
