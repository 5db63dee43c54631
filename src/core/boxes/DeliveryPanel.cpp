#include "boxes/DeliveryPanel.h"

#include "boxes/DeliveryRecord.h"
#include "common/StatusBoard.h"

#include <QTimer>

#include <algorithm>

DeliveryPanel::DeliveryPanel(const DeliveryRecord *record, StatusBoard *display, QObject *parent)
    : QObject(parent)
    , m_record(record)
    , m_display(display)
{
    connect(record, &DeliveryRecord::added, this, &DeliveryPanel::take);
    connect(record, &DeliveryRecord::updated, this, &DeliveryPanel::conclude);
    connect(display, &StatusBoard::infoChanged, this, &DeliveryPanel::follow);
}

void DeliveryPanel::take(const Delivery &entry)
{
    // A status notice's panel text is the notice that a box changed, not
    // the message itself.
    if (entry.origin.source == MessageSource::StatusNotice)
        return;
    // Producers send and then show their text in one go; what is handed over
    // in that go belongs to the text shown next.
    if (m_handedOver.isEmpty())
        QTimer::singleShot(0, this, [this] { m_handedOver.clear(); });
    m_handedOver << entry.id;
}

void DeliveryPanel::follow()
{
    if (m_showing)
        return;
    m_shown = m_handedOver;
    m_handedOver.clear();
}

void DeliveryPanel::conclude(const Delivery &entry)
{
    if (!m_shown.contains(entry.id))
        return;
    const bool noneSent = std::all_of(m_shown.begin(), m_shown.end(), [this](quint64 id) {
        const Delivery *d = m_record->find(id);
        return d && d->outcome == DeliveryOutcome::NotSent;
    });
    if (noneSent) {
        m_shown.clear();
        show(Delivery::notSentPanelText(entry.origin.box, entry.reason));
    } else if (entry.wordsForSigns) {
        show(entry.asShown(m_display->infoText()));
    }
}

void DeliveryPanel::show(const QString &text)
{
    if (text == m_display->infoText())
        return;
    m_showing = true;
    m_display->showInfo(text);
    m_showing = false;
}
