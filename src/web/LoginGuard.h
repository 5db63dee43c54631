#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Guesses at the page's password: after kTries wrong passwords from one
// address within kWindowMs, that address gets no answer to a password for
// kBlockMs (said once in the log). Bounded: it follows at most
// kMaxAddresses addresses, the stalest go first.
class LoginGuard
{
public:
    static constexpr int kTries = 5;
    static constexpr qint64 kWindowMs = 60 * 1000;
    static constexpr qint64 kBlockMs = 60 * 1000;
    static constexpr int kMaxAddresses = 1024;

    // nowMs: a monotonic clock's milliseconds.
    bool isBlocked(const QString &address, qint64 nowMs) const;
    void failed(const QString &address, qint64 nowMs);
    void succeeded(const QString &address) { m_addresses.remove(address); }

private:
    struct Tries {
        QList<qint64> wrongAt; // within the window
        qint64 blockedUntil = 0;
        qint64 last = 0;
    };
    void forgetStalest(qint64 nowMs);

    QHash<QString, Tries> m_addresses;
};
