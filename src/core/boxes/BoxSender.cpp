#include "boxes/BoxSender.h"

#include "boxes/BoxLink.h"
#include "boxes/BoxListSource.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/HttpTransport.h"
#include "boxes/PanelFollower.h"
#include "boxes/SendHandle.h"
#include "common/ZelvoSettings.h"

#include <QTimer>

const int BoxSender::kDefaultTimeoutMs = HttpTransport::kDefaultTimeoutMs;

BoxSender::BoxSender(BoxListSource *boxes, const Options &options, QObject *parent)
    : QObject(parent)
    , m_boxes(boxes)
    , m_ownSettings(options.settings ? nullptr : std::make_unique<ZelvoSettings>(boxes->folder()))
    , m_settings(options.settings ? options.settings : m_ownSettings.get())
    , m_transport(new HttpTransport(options.port, options.timeoutMs, this))
    , m_links(m_transport, m_settings)
    , m_panel(new PanelFollower(this))
    , m_gate(std::make_unique<HoldGate>(m_settings))
    , m_modes([this](const QString &address) { return question(address, BoxQuestion::Mode); })
{
    connect(m_transport, &HttpTransport::done, this, &BoxSender::conclude);
    connect(m_transport, &HttpTransport::answered, this, &BoxSender::answer);
    connect(m_transport, &HttpTransport::kindLearnt, this, &BoxSender::kindLearnt);
    setBoxList(m_boxes->boxes());
    // Told what changed from now on, never asking at every message.
    connect(m_boxes, &BoxListSource::changed, this, &BoxSender::setBoxList);
    const auto apply = [this] { m_links.applySettings(); };
    connect(m_settings, &ZelvoSettings::loginsChanged, this, apply);
    connect(m_settings, &ZelvoSettings::displayTimesChanged, this, apply);
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

bool BoxSender::discardHeld(quint64 heldId)
{
    const std::optional<GateSteps> steps = m_gate->discard(heldId);
    if (steps)
        carryOut(*steps);
    return steps.has_value();
}

void BoxSender::restoreHeld()
{
    if (!m_gate->holding())
        return;
    const HoldGate::Loaded loaded = m_gate->load();
    for (const HeldMessage &m : loaded.expired)
        finish(restored(m), SendResult::failed(DeliveryOutcome::Expired, SendFailure::Expired));
    for (const HeldMessage &m : loaded.waiting) {
        SendHandle *handle = restored(m);
        m_gate->adopt(m.id, handle);
        if (m.message.confirm && m_questionTaker)
            m_questionTaker(handle, true);
    }
    emit heldCountChanged(heldCount());
}

// A held message read back: its handle, held as before.
SendHandle *BoxSender::restored(const HeldMessage &m)
{
    SendHandle *handle = make(m_links.of(m.box), m.message, m.origin, m.madeAt);
    setResult(handle, HoldGate::heldResult(m.reason));
    return handle;
}

SendHandle *BoxSender::send(int box, const Message &message, const MessageOrigin &origin)
{
    lookForChanges();
    MessageOrigin to = origin;
    to.box = box;
    SendHandle *handle = make(m_links.of(box), message, to);
    if (message.confirm && m_questionTaker && box >= 1 && box <= BoxList::kBoxes) {
        if (const std::optional<SendResult> kept = m_questionTaker(handle, false)) {
            setResult(handle, *kept);
            emit handle->held(*kept);
            return handle;
        }
    }
    carryOut(m_gate->route(handle));
    return handle;
}

SendHandle *BoxSender::sendAgain(quint64 id, int box, const Message &message, const MessageOrigin &origin)
{
    MessageOrigin to = origin;
    to.box = box;
    lookForChanges();
    auto *handle = new SendHandle(id, m_links.of(box), message, to, this);
    carryOut(m_gate->route(handle));
    return handle;
}

SendHandle *BoxSender::sendTo(const QString &address, const Message &message, const MessageOrigin &origin)
{
    lookForChanges();
    SendHandle *handle = make(m_transport->link(address), message, origin);
    // The test of an address typed for a box may carry the box's login
    // there, for as long as it is on its way.
    if (origin.source == MessageSource::BoxTest && origin.box >= 1 && origin.box <= BoxList::kBoxes)
        m_links.lend(handle->id(), origin.box, handle->m_link);
    go(handle);
    return handle;
}

// A message is where a change of either file takes effect: one stat()
// each, a reading only when a file changed (the watch's tick looks too).
void BoxSender::lookForChanges()
{
    m_boxes->read();
    m_settings->check();
}

// A box whose address changed is a new box: what was learnt at the new
// address (BoxLinks) and the watch's word on the box are dropped, so that
// it is asked what it is and its mode afresh.
void BoxSender::setBoxList(const BoxList &list)
{
    for (int box : m_links.setBoxList(list))
        m_gate->setAddress(box, m_links.address(box));
}

SendHandle *BoxSender::notSent(const Message &message, const MessageOrigin &origin, const QString &reason)
{
    SendHandle *handle = make(m_transport->link(QString()), message, origin);
    finishSoon(handle, SendResult::failed(DeliveryOutcome::NotSent, SendFailure::NoBox, reason));
    return handle;
}

// The one who sent it knows at once; finished() follows after the call
// that made the handle has returned.
void BoxSender::finishSoon(SendHandle *handle, const SendResult &result)
{
    handle->m_result = result;
    QTimer::singleShot(0, handle, [this, handle] { finish(handle, handle->result()); });
}

SendHandle *BoxSender::make(const std::shared_ptr<BoxLink> &link, const Message &message,
                            const MessageOrigin &origin, const QDateTime &madeAt)
{
    auto *handle = new SendHandle(m_nextId++, link, message, origin, this);
    if (m_record)
        m_record->add(handle->id(), link->key(), message, origin, madeAt);
    return handle;
}

// What the gate decided, in its order.
void BoxSender::carryOut(const GateSteps &steps)
{
    using Do = GateStep::Do;
    for (const GateStep &step : steps) {
        switch (step.what) {
        case Do::Go:
            if (step.releasedId) // a held message goes to where its box is now
                step.handle->m_link = m_links.of(step.box);
            if (step.late && m_lateWording)
                step.handle->m_message = m_lateWording(step.handle->message(), step.handle->origin(), *step.late);
            if (const quint64 id = go(step.handle); step.releasedId)
                m_gate->released(step.box, id);
            break;
        case Do::Finish:
            finish(step.handle, step.result);
            break;
        case Do::FinishSoon:
            finishSoon(step.handle, step.result);
            break;
        case Do::Hold:
            setResult(step.handle, step.result);
            if (step.announce)
                emit step.handle->held(step.handle->result());
            break;
        case Do::AskMode:
            if (step.identify && !m_links.of(step.box)->identifyAsked)
                identifyAt(m_links.address(step.box));
            m_gate->asking(step.box, m_modes.ask(m_links.of(step.box), false));
            break;
        case Do::CountChanged:
            emit heldCountChanged(heldCount());
            break;
        case Do::Stuck:
            emit heldStuck(step.box, step.why);
            break;
        }
    }
}

quint64 BoxSender::go(SendHandle *handle)
{
    // An address refused by its text alone is known at once; the transport
    // still gets it, says so in the log and ends it.
    if (handle->link().refused())
        handle->m_result = SendResult::failed(DeliveryOutcome::NotSent, SendFailure::AddressRefused, handle->link().address().reason());
    else if (handle->result().outcome == DeliveryOutcome::Held)
        setResult(handle, SendResult());
    const quint64 id = submit(*handle);
    m_submitted.insert(id, handle);
    return id;
}

void BoxSender::setBoxState(int box, BoxState state)
{
    if (box < 1 || box > BoxList::kBoxes)
        return;
    m_boxes->read(); // the word is about the box at its address now
    carryOut(m_gate->setBoxState(box, state));
    emit boxStateSet(box, state);
}

quint64 BoxSender::askMode(const QString &address)
{
    return m_modes.ask(m_transport->link(address), true);
}

quint64 BoxSender::question(const QString &address, BoxQuestion question)
{
    return m_transport->ask(address, question);
}

bool BoxSender::canTellAnswer(int box)
{
    return m_transport->canAsk(*m_links.of(box), BoxQuestion::Answer);
}

void BoxSender::answer(quint64 asked, const QuestionAnswer &answer)
{
    carryOut(m_gate->answered(asked, answer, m_modes.answered(asked)));
    emit modeAnswered(asked, answer);
}

void BoxSender::identifyAt(const QString &address)
{
    m_transport->link(address)->identifyAsked = true;
    ask(address.trimmed());
}

QString BoxSender::kindOf(int box)
{
    return m_transport->kindOf(*m_links.of(box));
}

void BoxSender::ask(const QString &address)
{
    m_transport->identify(address);
}

quint64 BoxSender::submit(const SendHandle &handle)
{
    return m_transport->submit(handle.m_link, handle.message());
}

void BoxSender::conclude(quint64 submitted, const SendResult &result)
{
    SendHandle *handle = m_submitted.take(submitted);
    if (!handle)
        return;
    if (const std::optional<GateSteps> steps = m_gate->ended(submitted, handle, result))
        carryOut(*steps);
    else
        finish(handle, result);
}

void BoxSender::setResult(SendHandle *handle, const SendResult &result)
{
    handle->m_result = result;
    if (m_record)
        m_record->conclude(handle->id(), result);
    m_panel->follow(handle);
}

void BoxSender::finish(SendHandle *handle, const SendResult &result)
{
    handle->m_result = result;
    handle->m_finished = true;
    m_links.endLoan(handle->id());

    const BoxProtocol *changedBy = m_transport->changedBy(handle->link(), handle->message(), result.shownText);
    if (m_record)
        m_record->conclude(handle->id(), result, changedBy, m_transport->kindOf(handle->link()));
    m_panel->follow(handle, changedBy);
    emit handle->finished(result);
    handle->deleteLater();
}
