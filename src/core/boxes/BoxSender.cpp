#include "boxes/BoxSender.h"

#include "boxes/BoxAddress.h"
#include "boxes/BoxListSource.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/HttpTransport.h"
#include "boxes/SendHandle.h"
#include "common/Logging.h"
#include "common/StatusBoard.h"

#include <QTimer>

#include <algorithm>

const int BoxSender::kDefaultTimeoutMs = HttpTransport::kDefaultTimeoutMs;

BoxSender::BoxSender(BoxListSource *boxes, const Options &options, QObject *parent)
    : QObject(parent)
    , m_boxes(boxes)
    , m_transport(new HttpTransport(options.port, options.timeoutMs, this))
    , m_protocolSettings(boxes)
{
    connect(m_transport, &HttpTransport::done, this, &BoxSender::conclude);
    connect(m_transport, &HttpTransport::kindLearnt, this, &BoxSender::logKind);
}

// The handles still waiting go with this object; nobody hears of them again.
BoxSender::~BoxSender() = default;

void BoxSender::showOn(StatusBoard *display)
{
    m_display = display;
    // Someone else changed the panel: its text is no longer ours to follow.
    connect(display, &StatusBoard::infoChanged, this, [this] {
        if (!m_showing)
            m_panelResults.clear();
    });
}

SendHandle *BoxSender::send(int box, const Message &message, const MessageOrigin &origin)
{
    MessageOrigin to = origin;
    to.box = box;
    return hand(m_boxes->boxes().address(box), message, to);
}

SendHandle *BoxSender::sendTo(const QString &address, const Message &message, const MessageOrigin &origin)
{
    return hand(address, message, origin);
}

SendHandle *BoxSender::notSent(const Message &message, const MessageOrigin &origin, const QString &reason)
{
    auto *handle = new SendHandle(m_nextId++, QString(), message, origin, this);
    handle->m_result = {DeliveryOutcome::NotSent, 0, reason, QString()};
    if (m_record)
        m_record->add(handle->id(), handle->address(), message, origin);
    QTimer::singleShot(0, handle, [this, handle] { finish(handle, handle->result()); });
    return handle;
}

SendHandle *BoxSender::hand(const QString &address, const Message &message, const MessageOrigin &origin)
{
    const QString key = address.trimmed();
    auto *handle = new SendHandle(m_nextId++, key, message, origin, this);
    // An address refused by its text alone is known at once; the transport
    // still gets it, says so in the log and ends it.
    const BoxAddress box = BoxAddress::read(key);
    if (!box.needsLookup() && !box.usable())
        handle->m_result = {DeliveryOutcome::NotSent, 0, box.reason(), QString()};
    if (m_record)
        m_record->add(handle->id(), key, message, origin);
    m_protocolSettings.applyTo(m_transport->protocols(), key, origin.box);
    m_submitted.insert(submit(*handle), handle);
    return handle;
}

quint64 BoxSender::submit(const SendHandle &handle)
{
    return m_transport->submit(handle.address(), handle.message());
}

void BoxSender::identifyAt(const QString &address)
{
    m_protocolSettings.applyTo(m_transport->protocols());
    ask(address.trimmed());
}

QString BoxSender::kindOf(int box)
{
    return m_transport->protocols().kindOf(m_boxes->boxes().address(box).trimmed());
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
}

void BoxSender::ask(const QString &address)
{
    m_transport->identify(address);
}

void BoxSender::conclude(quint64 submitted, const SendResult &result)
{
    SendHandle *handle = m_submitted.take(submitted);
    if (handle)
        finish(handle, result);
}

void BoxSender::finish(SendHandle *handle, const SendResult &result)
{
    handle->m_result = result;
    handle->m_finished = true;
    const BoxProtocol &protocol = m_transport->protocols().protocolFor(handle->address());
    const bool changed = protocol.changedOnTheWay(handle->message(), result.shownText);
    if (m_record)
        m_record->conclude(handle->id(), result, changed ? &protocol : nullptr,
                           m_transport->protocols().kindOf(handle->address()));
    if (m_panelResults.contains(handle->id())) {
        m_panelResults[handle->id()] = result;
        const bool noneSent = std::all_of(m_panelResults.cbegin(), m_panelResults.cend(), [](const SendResult &r) {
            return r.outcome == DeliveryOutcome::NotSent;
        });
        QString text = m_display->infoText();
        if (noneSent) {
            m_panelResults.clear();
            text = Delivery::notSentPanelText(handle->box(), result.reason);
        } else if (changed) {
            text = protocol.changedAlike(text);
        }
        if (text != m_display->infoText())
            showOnPanel(text);
    }
    emit handle->finished(result);
    handle->deleteLater();
}

void BoxSender::showWhenSent(const QList<SendHandle *> &handles, const QString &panelText)
{
    if (!m_display || handles.isEmpty())
        return;
    const auto mayGo = [](const SendHandle *h) { return h->result().outcome != DeliveryOutcome::NotSent; };
    if (std::none_of(handles.begin(), handles.end(), mayGo)) {
        const SendHandle *last = handles.last();
        showOnPanel(Delivery::notSentPanelText(last->box(), last->result().reason));
        m_panelResults.clear();
        return;
    }
    showOnPanel(panelText);
    m_panelResults.clear();
    for (const SendHandle *h : handles)
        m_panelResults.insert(h->id(), h->result());
}

void BoxSender::showOnPanel(const QString &text)
{
    m_showing = true;
    m_display->showInfo(text);
    m_showing = false;
}
