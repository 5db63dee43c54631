#include "ScriptedEchoProber.h"

#include <QTimer>

void ScriptedEchoProber::probe(int id, const QString &address)
{
    m_probed << address;
    if (m_holdAnswers) {
        m_held.append({id, address});
        return;
    }
    QTimer::singleShot(0, this, [this, id, address] { answer(id, address); });
}

void ScriptedEchoProber::answerHeld()
{
    const auto held = m_held;
    m_held.clear();
    for (const auto &probe : held)
        answer(probe.first, probe.second);
}

void ScriptedEchoProber::answer(int id, const QString &address)
{
    EchoResult r = EchoResult::of(m_outcomes.value(address, EchoResult::Outcome::NoReply));
    if (r.outcome == EchoResult::Outcome::Reply)
        r.roundTripMs = 1;
    r.detail = m_details.value(address);
    emit finished(id, r);
}
