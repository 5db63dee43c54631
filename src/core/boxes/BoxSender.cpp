#include "boxes/BoxSender.h"

#include "boxes/BoxAddress.h"
#include "boxes/BoxListSource.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/HeldMessages.h"
#include "boxes/HttpTransport.h"
#include "boxes/SendHandle.h"
#include "common/Clock.h"
#include "common/Logging.h"
#include "common/StatusBoard.h"
#include "common/ZelvoSettings.h"

#include <QTimer>

#include <algorithm>

const int BoxSender::kDefaultTimeoutMs = HttpTransport::kDefaultTimeoutMs;

namespace {

QString heldReason(BoxState state)
{
    return state == BoxState::Standby ? QStringLiteral("Box im Standby") : QStringLiteral("Box aus");
}

} // namespace

BoxSender::BoxSender(BoxListSource *boxes, const Options &options, QObject *parent)
    : QObject(parent)
    , m_boxes(boxes)
    , m_transport(new HttpTransport(options.port, options.timeoutMs, this))
    , m_protocolSettings(boxes->folder())
{
    connect(m_transport, &HttpTransport::done, this, &BoxSender::conclude);
    connect(m_transport, &HttpTransport::answered, this, &BoxSender::answer);
    connect(m_transport, &HttpTransport::kindLearnt, this, &BoxSender::logKind);
}

// The handles still waiting go with this object; nobody hears of them again.
BoxSender::~BoxSender() = default;

void BoxSender::keepRecordIn(DeliveryRecord *record)
{
    m_record = record;
    // A record read back from its file goes on with ids above its own.
    if (record)
        m_nextId = std::max(m_nextId, record->nextId());
}

void BoxSender::showOn(StatusBoard *display)
{
    m_display = display;
    // Someone else changed the panel: its text is no longer ours to follow.
    connect(display, &StatusBoard::infoChanged, this, [this] {
        if (!m_showing)
            m_panelResults.clear();
    });
}

void BoxSender::holdIn(HeldMessages *held, const Clock *clock)
{
    m_held = held;
    m_clock = clock;
    m_askModes = true;
}

int BoxSender::heldCount() const
{
    return m_held ? m_held->count() : 0;
}

QList<HeldMessage> BoxSender::heldFor(int box) const
{
    return m_held && box >= 1 && box <= BoxList::kBoxes ? m_held->held(box) : QList<HeldMessage>();
}

bool BoxSender::discardHeld(quint64 heldId)
{
    if (!m_held)
        return false;
    const std::optional<HeldMessage> taken = m_held->take(heldId);
    if (!taken)
        return false;
    qCInfo(lcSend).noquote() << QStringLiteral("Box %1: zurückgehaltene Nachricht verworfen:").arg(taken->box)
                             << Delivery::firstLineOf(taken->message.text);
    if (SendHandle *handle = m_heldHandles.take(heldId))
        finish(handle, {DeliveryOutcome::Dropped, 0, QString(), QString()});
    emit heldCountChanged(m_held->count());
    return true;
}

void BoxSender::restoreHeld()
{
    if (!m_held)
        return;
    const QList<HeldMessage> expired = m_held->load();
    const auto restore = [this](const HeldMessage &m) {
        SendHandle *handle = make(boxesNow().address(m.box).trimmed(), m.message, m.origin, m.madeAt);
        setResult(handle, {DeliveryOutcome::Held, 0, heldReason(m.reason == HoldReason::BoxInStandby
                                                                     ? BoxState::Standby
                                                                     : BoxState::Off),
                           QString()});
        return handle;
    };
    for (const HeldMessage &m : expired) {
        SendHandle *handle = restore(m);
        qCInfo(lcSend).noquote() << QStringLiteral("Box %1: zurückgehaltene Nachricht verfallen, während Zelvo nicht lief:")
                                            .arg(m.box)
                                 << Delivery::firstLineOf(m.message.text);
        finish(handle, {DeliveryOutcome::Expired, 0, QString(), QString()});
    }
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        for (const HeldMessage &m : m_held->held(box)) {
            SendHandle *handle = restore(m);
            m_heldHandles.insert(m.id, handle);
        }
    if (m_held->count() > 0)
        qCInfo(lcSend).noquote() << m_held->count() << "zurückgehaltene Nachrichten warten auf ihre Boxen";
    emit heldCountChanged(m_held->count());
}

SendHandle *BoxSender::send(int box, const Message &message, const MessageOrigin &origin)
{
    MessageOrigin to = origin;
    to.box = box;
    SendHandle *handle = make(boxesNow().address(box).trimmed(), message, to);
    route(handle);
    return handle;
}

SendHandle *BoxSender::sendTo(const QString &address, const Message &message, const MessageOrigin &origin)
{
    SendHandle *handle = make(address.trimmed(), message, origin);
    // The test of an address typed for a box may carry the box's login
    // there, for as long as it is on its way.
    if (origin.source == MessageSource::BoxTest && origin.box >= 1 && origin.box <= BoxList::kBoxes)
        m_protocolSettings.lend(handle->id(), origin.box, handle->address());
    go(handle);
    return handle;
}

// A box whose address changed is a new box: what was learnt at the new
// address and the watch's word on the box are dropped, so that it is asked
// what it is and its mode afresh. The logins follow the addresses.
BoxList BoxSender::boxesNow()
{
    const BoxList list = m_boxes->boxes();
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        BoxWord &word = m_states[box - 1];
        const QString address = list.address(box).trimmed();
        if (m_listRead && word.address == address)
            continue;
        if (m_listRead)
            qCInfo(lcSend).noquote() << QStringLiteral("Box %1 hat eine neue Adresse (%2): sie wird gefragt, was sie ist")
                                            .arg(box)
                                            .arg(address);
        word.address = address;
        word.state = BoxState::Unknown;
        word.since.invalidate();
        m_identified.remove(address);
        m_transport->protocols().forget(address);
    }
    m_listRead = true;
    m_protocolSettings.applyTo(m_transport->protocols(), list);
    return list;
}

SendHandle *BoxSender::notSent(const Message &message, const MessageOrigin &origin, const QString &reason)
{
    SendHandle *handle = make(QString(), message, origin);
    finishSoon(handle, {DeliveryOutcome::NotSent, 0, reason, QString()});
    return handle;
}

// The one who sent it knows at once; finished() follows after the call
// that made the handle has returned.
void BoxSender::finishSoon(SendHandle *handle, const SendResult &result)
{
    handle->m_result = result;
    QTimer::singleShot(0, handle, [this, handle] { finish(handle, handle->result()); });
}

SendHandle *BoxSender::make(const QString &address, const Message &message, const MessageOrigin &origin,
                            const QDateTime &madeAt)
{
    auto *handle = new SendHandle(m_nextId++, address, message, origin, this);
    if (m_record)
        m_record->add(handle->id(), address, message, origin, madeAt);
    return handle;
}

// Whether box can show it decides: now, held, or after asking the box.
void BoxSender::route(SendHandle *handle)
{
    const int box = handle->box();
    const BoxAddress address = BoxAddress::read(handle->address());
    if (!m_askModes || box < 1 || box > BoxList::kBoxes || (!address.needsLookup() && !address.usable())) {
        go(handle);
        return;
    }
    BoxWord &word = m_states[box - 1];
    if (word.asking || !word.awaiting.isEmpty() || releasing(box)) {
        word.awaiting << handle; // behind the others, whatever the answer
        return;
    }
    const bool fresh = word.since.isValid() && word.since.elapsed() <= kStateFreshMs;
    if (fresh && word.state == BoxState::On) {
        go(handle);
    } else if ((fresh && word.state == BoxState::Standby) || (m_held && word.state == BoxState::Off)) {
        // A box that answers no echo is not asked; the watch says when it is back.
        holdOrRefuse(handle, word.state);
    } else {
        // A box the watch could not probe (no ICMP) may never have been asked
        // what it is: its kind decides how it is asked its mode.
        if (!m_identified.contains(handle->address()))
            identifyAt(handle->address());
        word.awaiting << handle;
        word.asking = askModeOf(handle->address(), false);
    }
}

quint64 BoxSender::go(SendHandle *handle)
{
    // An address refused by its text alone is known at once; the transport
    // still gets it, says so in the log and ends it.
    const BoxAddress box = BoxAddress::read(handle->address());
    if (!box.needsLookup() && !box.usable())
        handle->m_result = {DeliveryOutcome::NotSent, 0, box.reason(), QString()};
    else if (handle->result().outcome == DeliveryOutcome::Held)
        setResult(handle, SendResult());
    boxesNow();
    const quint64 id = submit(*handle);
    m_submitted.insert(id, handle);
    return id;
}

void BoxSender::holdOrRefuse(SendHandle *handle, BoxState state)
{
    const QString reason = heldReason(state);
    if (!m_held) {
        if (state == BoxState::Standby)
            finishSoon(handle, {DeliveryOutcome::NotSent, 0, reason + QStringLiteral(", der Text würde nicht angezeigt"),
                                QString()});
        else
            go(handle); // it fails by itself, in its own words
        return;
    }
    const int minutes = holdMinutes(handle->origin());
    if (minutes <= 0) {
        finishSoon(handle, {DeliveryOutcome::NotSent, 0, reason + QStringLiteral(", nicht zurückgehalten"), QString()});
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
        finishSoon(handle, {DeliveryOutcome::Expired, 0, QString(), QString()});
        return;
    }
    const HeldMessages::Held held = m_held->hold(message);
    m_heldHandles.insert(held.id, handle);
    qCInfo(lcSend).noquote() << QStringLiteral("Box %1: Nachricht zurückgehalten (%2) bis %3:")
                                        .arg(handle->box())
                                        .arg(reason, message.expiresAt.toString(QStringLiteral("dd.MM. HH:mm")))
                             << Delivery::firstLineOf(handle->message().text);
    if (!m_held->writeError().isEmpty())
        qCWarning(lcSend).noquote() << "zurückgehaltene Nachrichten nicht gespeichert:" << m_held->writeError();
    if (held.pushedOut) {
        if (SendHandle *old = m_heldHandles.take(held.pushedOut->id)) {
            const QString why = QStringLiteral("verdrängt, mehr als %1 Nachrichten für Box %2 zurückgehalten")
                                    .arg(HeldMessages::kMaxPerBox)
                                    .arg(old->box());
            qCWarning(lcSend).noquote() << QStringLiteral("Box %1: älteste zurückgehaltene Nachricht").arg(old->box())
                                        << why;
            finish(old, {DeliveryOutcome::Expired, 0, why, QString()});
        }
    }
    setResult(handle, {DeliveryOutcome::Held, 0, reason, QString()});
    emit handle->held(handle->result());
    emit heldCountChanged(m_held->count());
}

int BoxSender::holdMinutes(const MessageOrigin &origin) const
{
    if (origin.holdMinutes)
        return *origin.holdMinutes;
    switch (origin.source) {
    case MessageSource::Reminder:
        return m_protocolSettings.settings().reminderHoldMinutes();
    case MessageSource::StatusNotice:
        return m_protocolSettings.settings().noticeHoldMinutes();
    case MessageSource::TypedText:
    case MessageSource::Script:
    case MessageSource::Web:
        return m_protocolSettings.settings().textHoldMinutes();
    case MessageSource::BoxTest:
        break;
    }
    return 0;
}

void BoxSender::setBoxState(int box, BoxState state)
{
    if (box < 1 || box > BoxList::kBoxes)
        return;
    boxesNow();
    BoxWord &word = m_states[box - 1];
    word.state = state;
    word.since.start();
    dropExpired();
    if (state == BoxState::On) {
        release(box);
    } else if (!word.awaiting.isEmpty() && !word.asking) {
        // Messages that waited for this word.
        if (state == BoxState::Unknown) {
            word.asking = askModeOf(word.address, false);
        } else {
            const QList<SendHandle *> awaiting = std::exchange(word.awaiting, {});
            for (SendHandle *handle : awaiting)
                holdOrRefuse(handle, state);
        }
    }
}

// One held message at a time, and only once the file no longer holds it:
// a crash loses at most the one on its way, and none goes twice.
void BoxSender::release(int box, bool continuing)
{
    if (releasing(box))
        return; // the next goes when this one has ended
    BoxWord &word = m_states[box - 1];
    while (m_held && !m_held->held(box).isEmpty()) {
        const int count = m_held->held(box).size();
        const std::optional<HeldMessage> next = m_held->takeFirst(box);
        if (!next) {
            const QString why = QStringLiteral("zurückgehaltene Nachrichten bleiben zurückgehalten: %1 kann nicht "
                                               "geschrieben werden (%2)")
                                    .arg(HeldMessages::kFileName, m_held->writeError());
            if (why != m_stuck[box - 1])
                emit heldStuck(box, m_stuck[box - 1] = why);
            break;
        }
        if (!m_stuck[box - 1].isEmpty())
            emit heldStuck(box, m_stuck[box - 1] = QString());
        emit heldCountChanged(m_held->count());
        SendHandle *handle = m_heldHandles.take(next->id);
        if (!handle)
            continue;
        if (!std::exchange(continuing, true))
            qCInfo(lcSend).noquote() << QStringLiteral("Box %1 ist eingeschaltet: %2 zurückgehaltene Nachrichten gehen hinaus")
                                            .arg(box)
                                            .arg(count);
        handle->m_address = boxesNow().address(box).trimmed(); // where box 2 is now
        const MessageOrigin &origin = handle->origin();
        if (m_lateWording && origin.source == MessageSource::Reminder && origin.dueAt.isValid()
            && origin.dueAt.secsTo(m_clock->now()) > kLateSecs)
            handle->m_message = m_lateWording(handle->message(), next->reason);
        m_releasing.insert(go(handle), *next);
        return;
    }
    // Those made while the box was asked or its messages went come after the held ones.
    const QList<SendHandle *> awaiting = std::exchange(word.awaiting, {});
    for (SendHandle *handle : awaiting)
        go(handle);
}

bool BoxSender::releasing(int box) const
{
    return std::any_of(m_releasing.cbegin(), m_releasing.cend(), [box](const HeldMessage &m) { return m.box == box; });
}

// A released message the box did not take is held again; one that may
// have been shown (written, no answer) is not, so that none shows twice.
void BoxSender::releaseEnded(const HeldMessage &message, SendHandle *handle, const SendResult &result)
{
    const bool refused = !result.delivered()
                         && (result.outcome == DeliveryOutcome::Answered || result.shownText.isEmpty());
    if (!refused || !m_held) {
        finish(handle, result);
        release(message.box, true);
        return;
    }
    const QString reason = heldReason(message.reason == HoldReason::BoxInStandby ? BoxState::Standby : BoxState::Off);
    if (message.expired(m_clock->now())) {
        finish(handle, {DeliveryOutcome::Expired, 0, QString(), QString()});
    } else if (!m_held->putBack(message)) {
        finish(handle, {DeliveryOutcome::Expired, 0,
                        QStringLiteral("verdrängt, mehr als %1 Nachrichten für Box %2 zurückgehalten")
                            .arg(HeldMessages::kMaxPerBox)
                            .arg(message.box),
                        QString()});
    } else {
        qCInfo(lcSend).noquote() << QStringLiteral("Box %1: Nachricht nicht angenommen (%2), wieder zurückgehalten bis %3:")
                                        .arg(message.box)
                                        .arg(Delivery::outcomeText(result),
                                             message.expiresAt.toString(QStringLiteral("dd.MM. HH:mm")))
                                 << Delivery::firstLineOf(message.message.text);
        m_heldHandles.insert(m_held->held(message.box).first().id, handle);
        setResult(handle, {DeliveryOutcome::Held, 0, reason, QString()});
        emit heldCountChanged(m_held->count());
    }
    // The rest wait for the next word that the box is on; the others go now.
    const QList<SendHandle *> awaiting = std::exchange(m_states[message.box - 1].awaiting, {});
    for (SendHandle *h : awaiting)
        go(h);
}

void BoxSender::dropExpired()
{
    if (!m_held)
        return;
    const QList<HeldMessage> expired = m_held->dropExpired();
    for (const HeldMessage &m : expired) {
        SendHandle *handle = m_heldHandles.take(m.id);
        qCInfo(lcSend).noquote() << QStringLiteral("Box %1: zurückgehaltene Nachricht verfallen:").arg(m.box)
                                 << Delivery::firstLineOf(m.message.text);
        if (handle)
            finish(handle, {DeliveryOutcome::Expired, 0, QString(), QString()});
    }
    if (!expired.isEmpty())
        emit heldCountChanged(m_held->count());
}

quint64 BoxSender::askMode(const QString &address)
{
    return askModeOf(address, true);
}

// One question per box at a time; every asker hears its answer.
quint64 BoxSender::askModeOf(const QString &address, bool forWatch)
{
    const QString key = address.trimmed();
    boxesNow();
    ModeQuestion &asking = m_modeQuestions[key];
    asking.forWatch = asking.forWatch || forWatch;
    if (!asking.id)
        asking.id = question(key);
    return asking.id;
}

quint64 BoxSender::question(const QString &address)
{
    return m_transport->ask(address, BoxQuestion::Mode);
}

void BoxSender::answer(quint64 asked, const QuestionAnswer &answer)
{
    bool forWatch = false;
    for (auto it = m_modeQuestions.begin(); it != m_modeQuestions.end(); ++it) {
        if (it->id == asked) {
            forWatch = it->forWatch;
            m_modeQuestions.erase(it);
            break;
        }
    }
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        if (m_states[box - 1].asking == asked)
            takeBoxAnswer(box, answer, forWatch);
    emit modeAnswered(asked, answer);
}

// The sender's own question before a message: what the box said decides
// for the messages that waited for it.
void BoxSender::takeBoxAnswer(int box, const QuestionAnswer &answer, bool forWatch)
{
    BoxWord &word = m_states[box - 1];
    word.asking = 0;
    if (!answer.reached) {
        // No answer to the watch's question: the watch knows more (the echo)
        // and tells within its tick.
        if (forWatch && !answer.neverSent)
            return;
        // Its mode could not be learnt: the box stays as it was, and nothing
        // held goes out on no word. What waited for the answer goes as the
        // last word lets it (a box never judged counts as off); to an
        // address that never gets a request it fails in its own words.
        const BoxState state = word.state == BoxState::Unknown ? BoxState::Off : word.state;
        const QList<SendHandle *> awaiting = std::exchange(word.awaiting, {});
        for (SendHandle *handle : awaiting) {
            if (state == BoxState::On || answer.neverSent || (!m_held && state == BoxState::Off))
                go(handle);
            else
                holdOrRefuse(handle, state);
        }
        return;
    }
    // A box that cannot be asked its mode at all (an old server) counts as on.
    word.state = answer.canShow == false ? BoxState::Standby : BoxState::On;
    word.since.start();
    if (word.state == BoxState::On) {
        release(box);
        return;
    }
    const QList<SendHandle *> awaiting = std::exchange(word.awaiting, {});
    for (SendHandle *handle : awaiting)
        holdOrRefuse(handle, word.state);
}

void BoxSender::identifyAt(const QString &address)
{
    boxesNow();
    m_identified.insert(address.trimmed());
    ask(address.trimmed());
}

QString BoxSender::kindOf(int box)
{
    return m_transport->protocols().kindOf(boxesNow().address(box).trimmed());
}

// Once per address, when it is found to be of a kind other than today's.
void BoxSender::logKind(const QString &address, const QString &kind, const QString &version)
{
    const BoxList list = m_boxes->boxes();
    QString box = address;
    for (int b = 1; b <= BoxList::kBoxes; ++b) {
        if (list.address(b).trimmed() == address) {
            box = QStringLiteral("Box %1 (%2)").arg(b).arg(address);
            break;
        }
    }
    qCInfo(lcSend).noquote() << box + QStringLiteral(" ist ein ") + kind + QStringLiteral("-Receiver")
                                    + (version.isEmpty() ? QString() : QStringLiteral(", Webinterface ") + version);
    emit kindLearnt();
}

void BoxSender::ask(const QString &address)
{
    m_transport->identify(address);
}

quint64 BoxSender::submit(const SendHandle &handle)
{
    return m_transport->submit(handle.address(), handle.message());
}

void BoxSender::conclude(quint64 submitted, const SendResult &result)
{
    SendHandle *handle = m_submitted.take(submitted);
    if (!handle)
        return;
    if (m_releasing.contains(submitted))
        releaseEnded(m_releasing.take(submitted), handle, result);
    else
        finish(handle, result);
}

void BoxSender::setResult(SendHandle *handle, const SendResult &result)
{
    handle->m_result = result;
    if (m_record)
        m_record->conclude(handle->id(), result);
    followOnPanel(handle);
}

void BoxSender::finish(SendHandle *handle, const SendResult &result)
{
    handle->m_result = result;
    handle->m_finished = true;
    if (m_protocolSettings.endLoan(handle->id()))
        boxesNow(); // the login lent for a test goes no further

    const BoxProtocol &protocol = m_transport->protocols().protocolFor(handle->address());
    const bool changed = protocol.changedOnTheWay(handle->message(), result.shownText);
    if (m_record)
        m_record->conclude(handle->id(), result, changed ? &protocol : nullptr,
                           m_transport->protocols().kindOf(handle->address()));
    if (changed && m_panelResults.contains(handle->id()))
        m_panelText = protocol.changedAlike(m_panelText);
    followOnPanel(handle);
    emit handle->finished(result);
    handle->deleteLater();
}

void BoxSender::showWhenSent(const QList<SendHandle *> &handles, const QString &panelText)
{
    if (!m_display || handles.isEmpty())
        return;
    m_panelText = panelText;
    m_panelResults.clear();
    for (const SendHandle *h : handles)
        m_panelResults.insert(h->id(), {h->box(), h->result()});
    m_panelLast = handles.last()->id();
    showOnPanel(panelLine());
}

// The panel follows the messages behind its text, while it shows it.
void BoxSender::followOnPanel(const SendHandle *handle)
{
    if (!m_display || !m_panelResults.contains(handle->id()))
        return;
    m_panelResults[handle->id()].result = handle->result();
    m_panelLast = handle->id();
    const QString text = panelLine();
    if (text != m_display->infoText())
        showOnPanel(text);
}

QString BoxSender::panelLine() const
{
    const auto isGoing = [](const PanelEntry &e) {
        return e.result.outcome == DeliveryOutcome::Waiting || e.result.delivered();
    };
    if (std::any_of(m_panelResults.cbegin(), m_panelResults.cend(), isGoing))
        return m_panelText;
    // Went, but did not arrive (refused, no answer, a login wanted): said as
    // such, never as if it had worked.
    const auto wentAstray = [](const PanelEntry &e) {
        const DeliveryOutcome o = e.result.outcome;
        return o != DeliveryOutcome::NotSent && o != DeliveryOutcome::Held && o != DeliveryOutcome::Expired;
    };
    QList<quint64> heldIds;
    for (auto it = m_panelResults.cbegin(); it != m_panelResults.cend(); ++it)
        if (it->result.outcome == DeliveryOutcome::Held)
            heldIds << it.key();
    if (!heldIds.isEmpty()) {
        std::sort(heldIds.begin(), heldIds.end());
        QStringList boxes;
        for (const quint64 id : heldIds) {
            const PanelEntry &e = m_panelResults[id];
            boxes << QStringLiteral("Box %1 (%2)").arg(e.box).arg(e.result.reason == heldReason(BoxState::Standby)
                                                                      ? QStringLiteral("Standby")
                                                                      : QStringLiteral("aus"));
        }
        return QStringLiteral("Zurückgehalten für ") + boxes.join(QStringLiteral(", ")) + QStringLiteral(": ")
               + m_panelText;
    }
    const PanelEntry last = m_panelResults.value(m_panelLast);
    if (wentAstray(last))
        return Delivery::notArrivedPanelText(m_panelText, last.result);
    for (const PanelEntry &e : m_panelResults)
        if (wentAstray(e))
            return Delivery::notArrivedPanelText(m_panelText, e.result);
    const QString why = last.result.outcome == DeliveryOutcome::Expired ? Delivery::outcomeText(last.result)
                                                                        : last.result.reason;
    return Delivery::notSentPanelText(last.box, why);
}

void BoxSender::showOnPanel(const QString &text)
{
    m_showing = true;
    m_display->showInfo(text);
    m_showing = false;
}
