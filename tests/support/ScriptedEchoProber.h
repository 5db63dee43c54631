#pragma once

#include "watch/EchoProber.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QStringList>

// A prober for watch tests: every address gets the outcome chosen for it
// (no reply when none was chosen), one event-loop turn later, or only when
// the test says so.
class ScriptedEchoProber : public EchoProber
{
    Q_OBJECT
public:
    using EchoProber::EchoProber;

    void setOutcome(const QString &address, EchoResult::Outcome outcome) { m_outcomes[address] = outcome; }
    // What the answer says beyond its outcome, as the real probe's reason.
    void setDetail(const QString &address, const QString &detail) { m_details[address] = detail; }
    void clearOutcomes() { m_outcomes.clear(); }

    // Held answers wait for answerHeld().
    void setHoldAnswers(bool hold) { m_holdAnswers = hold; }
    void answerHeld();

    void probe(int id, const QString &address) override;

    QStringList probedAddresses() const { return m_probed; }
    void clearProbed() { m_probed.clear(); }

private:
    void answer(int id, const QString &address);

    QHash<QString, EchoResult::Outcome> m_outcomes;
    QHash<QString, QString> m_details;
    QStringList m_probed;
    bool m_holdAnswers = false;
    QList<QPair<int, QString>> m_held;
};
