#pragma once

#include "boxes/BoxList.h"
#include "common/ZelvoSettings.h"

#include <QDir>
#include <QHash>
#include <QPair>
#include <QString>

class ProtocolChoice;

// What zelvo.ini tells the kinds of box, kept up to date: each box's login,
// bound to the address boxip.ini gives the box now, and the display times.
// A login goes to no address that belongs to another box: an address two
// boxes share gets a login only when both have the same one. The box
// address test of an address no box has may lend the box's login to that
// address while the test is on its way, and no longer.
class ProtocolSettings
{
public:
    explicit ProtocolSettings(const ZelvoSettings *settings);

    // Binds the logins to list's addresses (and the lent ones), as zelvo.ini
    // was last read.
    void applyTo(ProtocolChoice &protocols, const BoxList &list);

    // box's login goes to address under loan, until endLoan(loan).
    void lend(quint64 loan, int box, const QString &address) { m_loans.insert(loan, {box, address}); }
    // Whether there was such a loan.
    bool endLoan(quint64 loan) { return m_loans.remove(loan) > 0; }

    // zelvo.ini itself, for its other settings (how long a message is held).
    const ZelvoSettings &settings() const { return *m_settings; }

private:
    const ZelvoSettings *m_settings;
    QHash<quint64, QPair<int, QString>> m_loans; // loan -> box, address
};
