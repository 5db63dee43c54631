#pragma once

#include "common/ZelvoSettings.h"

#include <QHash>
#include <QString>

class BoxListSource;
class ProtocolChoice;

// What zelvo.ini tells the kinds of box, kept up to date: each box's login
// for the address it is reached at, and the display times. A box's login
// goes to the address boxip.ini gives it and to the address it was last
// sent to under its number (the box address test of an address typed, not
// yet saved); never to any other.
class ProtocolSettings
{
public:
    explicit ProtocolSettings(BoxListSource *boxes);

    // Before a request to address for box (0: none) is handed over: both
    // files are read again when they changed.
    void applyTo(ProtocolChoice &protocols, const QString &address = QString(), int box = 0);

    // zelvo.ini itself, for its other settings (how long a message is held).
    const ZelvoSettings &settings() const { return m_settings; }

private:
    BoxListSource *m_boxes;
    ZelvoSettings m_settings;
    QHash<int, QString> m_lastSentTo; // box -> address last handed a message for it
};
