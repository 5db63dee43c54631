#include "boxes/ProtocolSettings.h"

#include "boxes/BoxListSource.h"
#include "boxes/ProtocolChoice.h"

ProtocolSettings::ProtocolSettings(BoxListSource *boxes)
    : m_boxes(boxes)
    , m_settings(boxes->folder())
{
}

void ProtocolSettings::applyTo(ProtocolChoice &protocols, const QString &address, int box)
{
    if (box >= 1 && box <= BoxList::kBoxes && !address.isEmpty())
        m_lastSentTo.insert(box, address);
    const BoxList list = m_boxes->boxes();
    QHash<QString, ProtocolChoice::Login> logins;
    for (int b = BoxList::kBoxes; b >= 1; --b) { // the lowest number wins an address two boxes share
        const ZelvoSettings::BoxLogin login = m_settings.boxLogin(b);
        if (login.user.isEmpty())
            continue;
        for (const QString &to : {list.address(b).trimmed(), m_lastSentTo.value(b)})
            if (!to.isEmpty())
                logins.insert(to, login);
    }
    protocols.setLogins(logins);
    protocols.setDisplayTimes(m_settings.popupDisplaySeconds(), m_settings.messageDisplaySeconds());
}
