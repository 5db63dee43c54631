#include "boxes/BoxLinks.h"

#include "boxes/HttpTransport.h"
#include "common/Logging.h"

#include <algorithm>
#include <utility>

BoxLinks::BoxLinks(HttpTransport *transport, const ZelvoSettings *settings)
    : m_transport(transport)
    , m_settings(settings)
{
    for (std::shared_ptr<BoxLink> &link : m_links)
        link = m_transport->link(QString());
}

QList<int> BoxLinks::setBoxList(const BoxList &list)
{
    QList<int> changed;
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        const QString address = list.address(box).trimmed();
        std::shared_ptr<BoxLink> &link = m_links[size_t(box - 1)];
        if (address == link->key())
            continue;
        if (m_listRead)
            qCInfo(lcSend).noquote() << QStringLiteral("Box %1 hat eine neue Adresse (%2): sie wird gefragt, was sie ist")
                                            .arg(box)
                                            .arg(address);
        link = m_transport->link(address);
        link->forget();
        changed << box;
    }
    m_listRead = true;
    m_list = list;
    for (const std::shared_ptr<BoxLink> &link : m_links)
        link->firstBox = 0;
    for (int box = BoxList::kBoxes; box >= 1; --box)
        m_links[size_t(box - 1)]->firstBox = box;
    applySettings();
    return changed;
}

void BoxLinks::applySettings()
{
    for (const std::shared_ptr<BoxLink> &link : std::exchange(m_bound, {}))
        link->login = {};
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (!m_list.namesAddress(box))
            continue;
        const ZelvoSettings::BoxLogin login = m_settings->boxLogin(box);
        bool shared = true; // by boxes with the same login only
        for (int other = 1; other <= BoxList::kBoxes; ++other)
            if (m_list.namesAddress(other) && of(other) == of(box) && !(m_settings->boxLogin(other) == login))
                shared = false;
        if (shared)
            bind(of(box), login);
    }
    for (const Loan &loan : std::as_const(m_loans))
        if (std::none_of(m_links.begin(), m_links.end(), [&](const auto &l) { return l == loan.link; }))
            bind(loan.link, m_settings->boxLogin(loan.box));
    m_transport->setDisplayTimes(m_settings->popupDisplaySeconds(), m_settings->messageDisplaySeconds());
}

void BoxLinks::bind(const std::shared_ptr<BoxLink> &link, const ZelvoSettings::BoxLogin &login)
{
    if (login.user.isEmpty())
        return;
    link->login = login;
    m_bound << link;
}
