#pragma once

#include "boxes/Delivery.h"

#include <QList>
#include <QObject>
#include <QString>

class DeliveryRecord;
class StatusBoard;

// Keeps the information panel in step with the delivery record. A producer
// shows its text as soon as the message is on its way; only the outcome
// tells whether a name could be looked up and how the box got the text.
// So the panel turns into "Nichts gesendet an Box N: …" once every message
// behind its text was not sent, and shows "und", "plus", "Prozent" where a
// box with an old web server got them.
class DeliveryPanel : public QObject
{
    Q_OBJECT
public:
    DeliveryPanel(const DeliveryRecord *record, StatusBoard *display, QObject *parent = nullptr);

private:
    void take(const Delivery &entry);
    void follow();
    void conclude(const Delivery &entry);
    void show(const QString &text);

    const DeliveryRecord *m_record;
    StatusBoard *m_display;
    QList<quint64> m_handedOver; // since the event loop last turned
    QList<quint64> m_shown;      // the messages whose text the panel shows
    bool m_showing = false;      // the panel changes through this object
};
