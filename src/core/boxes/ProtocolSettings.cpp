#include "boxes/ProtocolSettings.h"

#include "boxes/ProtocolChoice.h"

#include <QSet>

ProtocolSettings::ProtocolSettings(const ZelvoSettings *settings)
    : m_settings(settings)
{
}

void ProtocolSettings::applyTo(ProtocolChoice &protocols, const BoxList &list)
{
    QHash<QString, ProtocolChoice::Login> owners; // address -> the login of the boxes there
    QSet<QString> disputed;                       // boxes with different logins share it
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (!list.namesAddress(box))
            continue;
        const QString address = list.address(box).trimmed();
        const ProtocolChoice::Login login = m_settings->boxLogin(box);
        if (owners.contains(address) && !(owners.value(address) == login))
            disputed.insert(address);
        owners.insert(address, login);
    }
    QHash<QString, ProtocolChoice::Login> logins;
    for (auto it = owners.cbegin(); it != owners.cend(); ++it)
        if (!it->user.isEmpty() && !disputed.contains(it.key()))
            logins.insert(it.key(), *it);
    for (const QPair<int, QString> &loan : std::as_const(m_loans)) {
        const ProtocolChoice::Login login = m_settings->boxLogin(loan.first);
        if (!owners.contains(loan.second) && !login.user.isEmpty())
            logins.insert(loan.second, login);
    }
    protocols.setLogins(logins);
    protocols.setDisplayTimes(m_settings->popupDisplaySeconds(), m_settings->messageDisplaySeconds());
}
