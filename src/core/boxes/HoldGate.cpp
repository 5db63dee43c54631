#include "boxes/HoldGate.h"

#include "boxes/BoxLink.h"
#include "boxes/HeldMessages.h"
#include "boxes/SendHandle.h"
#include "boxes/SendResultText.h"
#include "common/BoxStateText.h"
#include "common/Clock.h"
#include "common/Logging.h"
#include "common/ZelvoSettings.h"

namespace {

QString heldReason(BoxState state)
{
    return BoxStateText::of(state, BoxStateText::Form::HeldBecause);
}

SendFailure failureOf(BoxState state)
{
    return state == BoxState::Standby ? SendFailure::Standby : SendFailure::Off;
}

BoxState stateOf(HoldReason reason)
{
    return reason == HoldReason::BoxInStandby ? BoxState::Standby : BoxState::Off;
}

SendResult heldAs(BoxState state)
{
    return SendResult::failed(DeliveryOutcome::Held, failureOf(state));
}

SendResult expiredResult(SendFailure failure = SendFailure::Expired)
{
    return SendResult::failed(DeliveryOutcome::Expired, failure);
}

GateStep go(SendHandle *handle)
{
    GateStep step;
    step.handle = handle;
    return step;
}

GateStep end(GateStep::Do what, SendHandle *handle, const SendResult &result)
{
    GateStep step;
    step.what = what;
    step.handle = handle;
    step.result = result;
    return step;
}

} // namespace

SendResult HoldGate::heldResult(HoldReason reason)
{
    return heldAs(stateOf(reason));
}

void HoldGate::holdIn(HeldMessages *held, const Clock *clock)
{
    m_held = held;
    m_clock = clock;
    m_askModes = true;
}

HoldGate::Loaded HoldGate::load()
{
    Loaded loaded;
    loaded.expired = m_held->load();
    for (const HeldMessage &m : loaded.expired)
        qCInfo(lcSend).noquote() << QStringLiteral("Box %1: zurückgehaltene Nachricht verfallen, während Zelvo nicht lief:")
                                        .arg(m.box)
                                 << Delivery::firstLineOf(m.message.text);
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        loaded.waiting += m_held->held(box);
    if (m_held->count() > 0)
        qCInfo(lcSend).noquote() << m_held->count() << "zurückgehaltene Nachrichten warten auf ihre Boxen";
    return loaded;
}

int HoldGate::heldCount() const
{
    return m_held ? m_held->count() : 0;
}

QList<HeldMessage> HoldGate::heldFor(int box) const
{
    return m_held && box >= 1 && box <= BoxList::kBoxes ? m_held->held(box) : QList<HeldMessage>();
}

// A box whose address changed is a new box: the word on it is dropped.
bool HoldGate::setAddress(int box, const QString &address)
{
    Box &b = m_boxes[box - 1];
    if (b.address == address)
        return false;
    b.address = address;
    b.state = BoxState::Unknown;
    b.since.invalidate();
    return true;
}

GateSteps HoldGate::route(SendHandle *handle)
{
    GateSteps steps;
    const int box = handle->box();
    if (!m_askModes || box < 1 || box > BoxList::kBoxes || handle->link().refused())
        return {go(handle)};
    Box &b = m_boxes[box - 1];
    if (b.asking || !b.awaiting.isEmpty() || b.releasing) {
        b.awaiting << handle; // behind the others, whatever the answer
        return steps;
    }
    const bool fresh = b.since.isValid() && b.since.elapsed() <= kStateFreshMs;
    if (fresh && b.state == BoxState::On) {
        steps << go(handle);
    } else if ((fresh && b.state == BoxState::Standby) || (m_held && b.state == BoxState::Off)) {
        // A box that answers no echo is not asked; the watch says when it is back.
        holdOrRefuse(steps, handle, b.state);
    } else {
        // A box the watch could not probe (no ICMP) may never have been asked
        // what it is: its kind decides how it is asked its mode.
        b.awaiting << handle;
        GateStep ask;
        ask.what = GateStep::Do::AskMode;
        ask.box = box;
        ask.address = handle->address();
        ask.identify = true;
        steps << ask;
    }
    return steps;
}

void HoldGate::holdOrRefuse(GateSteps &steps, SendHandle *handle, BoxState state)
{
    using Do = GateStep::Do;
    const QString reason = heldReason(state);
    if (!m_held) {
        if (state == BoxState::Standby)
            steps << end(Do::FinishSoon, handle, SendResult::failed(DeliveryOutcome::NotSent, SendFailure::NotShown));
        else
            steps << go(handle); // it fails by itself, in its own words
        return;
    }
    const int minutes = holdMinutes(handle->origin());
    if (minutes <= 0) {
        steps << end(Do::FinishSoon, handle,
                     SendResult::failed(DeliveryOutcome::NotSent, state == BoxState::Standby ? SendFailure::NotHeldStandby : SendFailure::NotHeldOff));
        return;
    }
    const QDateTime now = m_clock->now();
    const MessageOrigin &origin = handle->origin();
    const QDateTime from = origin.source == MessageSource::Reminder && origin.dueAt.isValid() ? origin.dueAt : now;
    HeldMessage message;
    message.box = handle->box();
    message.message = handle->message();
    message.origin = origin;
    message.madeAt = now;
    message.expiresAt = from.addSecs(qint64(minutes) * 60);
    message.reason = state == BoxState::Standby ? HoldReason::BoxInStandby : HoldReason::BoxOff;
    if (message.expired(now)) {
        steps << end(Do::FinishSoon, handle, expiredResult());
        return;
    }
    const HeldMessages::Held held = m_held->hold(message);
    m_handles.insert(held.id, handle);
    qCInfo(lcSend).noquote() << QStringLiteral("Box %1: Nachricht zurückgehalten (%2) bis %3:")
                                        .arg(handle->box())
                                        .arg(reason, message.expiresAt.toString(QStringLiteral("dd.MM. HH:mm")))
                             << Delivery::firstLineOf(handle->message().text);
    if (!m_held->writeError().isEmpty())
        qCWarning(lcSend).noquote() << "zurückgehaltene Nachrichten nicht gespeichert:" << m_held->writeError();
    if (held.pushedOut) {
        if (SendHandle *old = m_handles.take(held.pushedOut->id)) {
            const SendResult pushedOut = expiredResult(SendFailure::PushedOut);
            qCWarning(lcSend).noquote() << QStringLiteral("Box %1: älteste zurückgehaltene Nachricht").arg(old->box())
                                        << SendResultText::reason(pushedOut, old->box());
            steps << end(Do::Finish, old, pushedOut);
        }
    }
    GateStep hold = end(Do::Hold, handle, heldAs(state));
    hold.announce = true;
    steps << hold;
    steps << GateStep{Do::CountChanged};
}

int HoldGate::holdMinutes(const MessageOrigin &origin) const
{
    if (origin.holdMinutes)
        return *origin.holdMinutes;
    switch (origin.source) {
    case MessageSource::Reminder:
        return m_settings->reminderHoldMinutes();
    case MessageSource::StatusNotice:
        return m_settings->noticeHoldMinutes();
    case MessageSource::TypedText:
    case MessageSource::Script:
    case MessageSource::Web:
        return m_settings->textHoldMinutes();
    case MessageSource::BoxTest:
        break;
    }
    return 0;
}

GateSteps HoldGate::setBoxState(int box, BoxState state)
{
    GateSteps steps;
    if (box < 1 || box > BoxList::kBoxes)
        return steps;
    Box &b = m_boxes[box - 1];
    b.state = state;
    b.since.start();
    dropExpired(steps);
    if (state == BoxState::On) {
        release(steps, box);
    } else if (!b.awaiting.isEmpty() && !b.asking) {
        // Messages that waited for this word.
        if (state == BoxState::Unknown) {
            GateStep ask;
            ask.what = GateStep::Do::AskMode;
            ask.box = box;
            ask.address = b.address;
            steps << ask;
        } else {
            const QList<SendHandle *> awaiting = std::exchange(b.awaiting, {});
            for (SendHandle *handle : awaiting)
                holdOrRefuse(steps, handle, state);
        }
    }
    return steps;
}

// One held message at a time, and only once the file no longer holds it:
// a crash loses at most the one on its way, and none goes twice.
void HoldGate::release(GateSteps &steps, int box, bool continuing)
{
    Box &b = m_boxes[box - 1];
    if (b.releasing)
        return; // the next goes when this one has ended
    while (m_held && !m_held->held(box).isEmpty()) {
        const int count = m_held->held(box).size();
        const std::optional<HeldMessage> next = m_held->takeFirst(box);
        if (!next) {
            const QString why = QStringLiteral("zurückgehaltene Nachrichten bleiben zurückgehalten: %1 kann nicht "
                                               "geschrieben werden (%2)")
                                    .arg(HeldMessages::kFileName, m_held->writeError());
            if (why != b.stuck) {
                GateStep stuck{GateStep::Do::Stuck};
                stuck.box = box;
                stuck.why = b.stuck = why;
                steps << stuck;
            }
            break;
        }
        if (!b.stuck.isEmpty()) {
            b.stuck.clear();
            GateStep stuck{GateStep::Do::Stuck};
            stuck.box = box;
            steps << stuck;
        }
        steps << GateStep{GateStep::Do::CountChanged};
        SendHandle *handle = m_handles.take(next->id);
        if (!handle)
            continue;
        if (!std::exchange(continuing, true))
            qCInfo(lcSend).noquote() << (count == 1 ? QStringLiteral("Box %1 ist eingeschaltet: 1 zurückgehaltene Nachricht geht hinaus").arg(box)
                                                    : QStringLiteral("Box %1 ist eingeschaltet: %2 zurückgehaltene Nachrichten gehen hinaus")
                                                          .arg(box)
                                                          .arg(count));
        b.releasing = *next;
        b.releasedAs = 0;
        GateStep step = go(handle);
        step.box = box;
        step.releasedId = next->id;
        const MessageOrigin &origin = handle->origin();
        if (origin.source == MessageSource::Reminder && origin.dueAt.isValid()
            && origin.dueAt.secsTo(m_clock->now()) > kLateSecs)
            step.late = next->reason;
        steps << step;
        return;
    }
    // Those made while the box was asked or its messages went come after the held ones.
    goAll(steps, box);
}

void HoldGate::goAll(GateSteps &steps, int box)
{
    const QList<SendHandle *> awaiting = std::exchange(m_boxes[box - 1].awaiting, {});
    for (SendHandle *handle : awaiting)
        steps << go(handle);
}

// A released message the box did not take is held again; one that may
// have been shown (written, no answer) is not, so that none shows twice.
std::optional<GateSteps> HoldGate::ended(quint64 id, SendHandle *handle, const SendResult &result)
{
    int box = 0;
    for (int b = 1; b <= BoxList::kBoxes && !box; ++b)
        if (m_boxes[b - 1].releasing && m_boxes[b - 1].releasedAs == id)
            box = b;
    if (!box)
        return std::nullopt;
    using Do = GateStep::Do;
    const HeldMessage message = *std::exchange(m_boxes[box - 1].releasing, std::nullopt);
    GateSteps steps;
    const bool refused = !result.delivered()
                         && (result.outcome == DeliveryOutcome::Answered || result.shownText.isEmpty());
    if (!refused || !m_held) {
        steps << end(Do::Finish, handle, result);
        release(steps, box, true);
        return steps;
    }
    if (message.expired(m_clock->now())) {
        steps << end(Do::Finish, handle, expiredResult());
    } else if (!m_held->putBack(message)) {
        steps << end(Do::Finish, handle, expiredResult(SendFailure::PushedOut));
    } else {
        qCInfo(lcSend).noquote() << QStringLiteral("Box %1: Nachricht nicht angenommen (%2), wieder zurückgehalten bis %3:")
                                        .arg(box)
                                        .arg(SendResultText::outcome(result, box),
                                             message.expiresAt.toString(QStringLiteral("dd.MM. HH:mm")))
                                 << Delivery::firstLineOf(message.message.text);
        m_handles.insert(m_held->held(box).first().id, handle);
        steps << end(Do::Hold, handle, heldAs(stateOf(message.reason)));
        steps << GateStep{Do::CountChanged};
    }
    // The rest wait for the next word that the box is on; the others go now.
    goAll(steps, box);
    return steps;
}

std::optional<GateSteps> HoldGate::discard(quint64 heldId)
{
    const std::optional<HeldMessage> taken = m_held ? m_held->take(heldId) : std::nullopt;
    if (!taken)
        return std::nullopt;
    qCInfo(lcSend).noquote() << QStringLiteral("Box %1: zurückgehaltene Nachricht verworfen:").arg(taken->box)
                             << Delivery::firstLineOf(taken->message.text);
    GateSteps steps;
    if (SendHandle *handle = m_handles.take(heldId))
        steps << end(GateStep::Do::Finish, handle,
                     SendResult::failed(DeliveryOutcome::Dropped, SendFailure::Discarded));
    steps << GateStep{GateStep::Do::CountChanged};
    return steps;
}

void HoldGate::dropExpired(GateSteps &steps)
{
    if (!m_held)
        return;
    const QList<HeldMessage> expired = m_held->dropExpired();
    for (const HeldMessage &m : expired) {
        SendHandle *handle = m_handles.take(m.id);
        qCInfo(lcSend).noquote() << QStringLiteral("Box %1: zurückgehaltene Nachricht verfallen:").arg(m.box)
                                 << Delivery::firstLineOf(m.message.text);
        if (handle)
            steps << end(GateStep::Do::Finish, handle, expiredResult());
    }
    if (!expired.isEmpty())
        steps << GateStep{GateStep::Do::CountChanged};
}

GateSteps HoldGate::answered(quint64 asked, const QuestionAnswer &answer, bool forWatch)
{
    GateSteps steps;
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        if (m_boxes[box - 1].asking == asked)
            takeAnswer(steps, box, answer, forWatch);
    return steps;
}

// The gate's own question before a message: what the box said decides for
// the messages that waited for it.
void HoldGate::takeAnswer(GateSteps &steps, int box, const QuestionAnswer &answer, bool forWatch)
{
    Box &b = m_boxes[box - 1];
    b.asking = 0;
    if (!answer.reached) {
        // No answer to the watch's question: the watch knows more (the echo)
        // and tells within its tick.
        if (forWatch && !answer.neverSent)
            return;
        // Its mode could not be learnt: the box stays as it was, and nothing
        // held goes out on no word. What waited for the answer goes as the
        // last word lets it (a box never judged counts as off); to an
        // address that never gets a request it fails in its own words.
        const BoxState state = b.state == BoxState::Unknown ? BoxState::Off : b.state;
        const QList<SendHandle *> awaiting = std::exchange(b.awaiting, {});
        for (SendHandle *handle : awaiting) {
            if (state == BoxState::On || answer.neverSent || (!m_held && state == BoxState::Off))
                steps << go(handle);
            else
                holdOrRefuse(steps, handle, state);
        }
        return;
    }
    // A box that cannot be asked its mode at all (an old server) counts as on.
    b.state = answer.stateSaid();
    b.since.start();
    if (b.state == BoxState::On) {
        release(steps, box);
        return;
    }
    const QList<SendHandle *> awaiting = std::exchange(b.awaiting, {});
    for (SendHandle *handle : awaiting)
        holdOrRefuse(steps, handle, b.state);
}
