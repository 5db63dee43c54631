#include "boxes/PanelFollower.h"

#include "boxes/BoxProtocol.h"
#include "boxes/Delivery.h"
#include "boxes/SendHandle.h"
#include "boxes/SendResultText.h"
#include "common/BoxStateText.h"
#include "common/StatusBoard.h"

#include <QStringList>

#include <algorithm>

void PanelFollower::showOn(StatusBoard *display)
{
    m_display = display;
    // Someone else changed the panel: its text is no longer ours to follow.
    connect(display, &StatusBoard::infoChanged, this, [this] {
        if (!m_showing)
            m_results.clear();
    });
}

void PanelFollower::showWhenSent(const QList<SendHandle *> &handles, const QString &panelText)
{
    if (!m_display || handles.isEmpty())
        return;
    m_text = panelText;
    m_results.clear();
    for (const SendHandle *h : handles)
        m_results.insert(h->id(), {h->box(), h->result()});
    m_last = handles.last()->id();
    show(line());
}

// The panel follows the messages behind its text, while it shows it.
void PanelFollower::follow(const SendHandle *handle, const BoxProtocol *changedBy)
{
    if (!m_display || !m_results.contains(handle->id()))
        return;
    if (changedBy)
        m_text = changedBy->changedAlike(m_text);
    m_results[handle->id()].result = handle->result();
    m_last = handle->id();
    const QString text = line();
    if (text != m_display->infoText())
        show(text);
}

QString PanelFollower::line() const
{
    const auto isGoing = [](const Entry &e) {
        return e.result.outcome == DeliveryOutcome::Waiting || e.result.delivered();
    };
    if (std::any_of(m_results.cbegin(), m_results.cend(), isGoing))
        return m_text;
    // Went, but did not arrive (refused, no answer, a login wanted): said as
    // such, never as if it had worked.
    const auto wentAstray = [](const Entry &e) {
        const DeliveryOutcome o = e.result.outcome;
        return o != DeliveryOutcome::NotSent && o != DeliveryOutcome::Held && o != DeliveryOutcome::Expired;
    };
    QList<quint64> heldIds;
    for (auto it = m_results.cbegin(); it != m_results.cend(); ++it)
        if (it->result.outcome == DeliveryOutcome::Held)
            heldIds << it.key();
    if (!heldIds.isEmpty()) {
        std::sort(heldIds.begin(), heldIds.end());
        QStringList boxes;
        for (const quint64 id : heldIds) {
            const Entry &e = m_results[id];
            const BoxState state = e.result.why == SendFailure::Standby ? BoxState::Standby : BoxState::Off;
            boxes << BoxStateText::boxName(e.box, BoxStateText::of(state, BoxStateText::Form::Short));
        }
        return QStringLiteral("Zurückgehalten für ") + boxes.join(QStringLiteral(", ")) + QStringLiteral(": ") + m_text;
    }
    const Entry last = m_results.value(m_last);
    if (wentAstray(last))
        return Delivery::notArrivedPanelText(m_text, last.result, last.box);
    for (const Entry &e : m_results)
        if (wentAstray(e))
            return Delivery::notArrivedPanelText(m_text, e.result, e.box);
    const QString why = last.result.outcome == DeliveryOutcome::Expired ? SendResultText::outcome(last.result, last.box)
                                                                        : SendResultText::reason(last.result, last.box);
    return Delivery::notSentPanelText(last.box, why);
}

void PanelFollower::show(const QString &text)
{
    m_showing = true;
    m_display->showInfo(text);
    m_showing = false;
}
