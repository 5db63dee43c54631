#pragma once

#include "boxes/BoxLink.h"
#include "boxes/BoxList.h"

#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <memory>

class HttpTransport;
class ZelvoSettings;

// The links of boxes 1..BoxList::kBoxes as boxip.ini names them, made when
// the box list changes (so each address is read once per change), and
// zelvo.ini's logins bound to them. A box whose address changed is a new
// box: what was learnt at its new address is forgotten. A login goes to no
// link that belongs to another box: a link two boxes share gets a login
// only when both have the same one. The box address test of an address no
// box has may lend the box's login to that address's link while the test
// is on its way, and no longer.
class BoxLinks
{
public:
    BoxLinks(HttpTransport *transport, const ZelvoSettings *settings);

    // boxip.ini's boxes now; returns the boxes whose address changed.
    QList<int> setBoxList(const BoxList &list);
    // The logins (and the lent ones) to the links, the display times to the
    // transport, as zelvo.ini was last read.
    void applySettings();

    // box's link (1..kBoxes), and its address as configured, trimmed.
    const std::shared_ptr<BoxLink> &of(int box) const { return m_links[size_t(box - 1)]; }
    QString address(int box) const { return of(box)->key(); }

    // box's login goes to link under loan, until endLoan(loan).
    void lend(quint64 loan, int box, const std::shared_ptr<BoxLink> &link)
    {
        m_loans.insert(loan, {box, link});
        applySettings();
    }
    void endLoan(quint64 loan)
    {
        if (m_loans.remove(loan) > 0)
            applySettings(); // the login lent for a test goes no further
    }

private:
    void bind(const std::shared_ptr<BoxLink> &link, const ZelvoSettings::BoxLogin &login);

    HttpTransport *m_transport;
    const ZelvoSettings *m_settings;
    BoxList m_list;
    bool m_listRead = false; // boxip.ini was read before: a change is news
    std::array<std::shared_ptr<BoxLink>, BoxList::kBoxes> m_links;
    struct Loan {
        int box = 0;
        std::shared_ptr<BoxLink> link;
    };
    QHash<quint64, Loan> m_loans;
    QList<std::shared_ptr<BoxLink>> m_bound; // the links given a login last time
};
