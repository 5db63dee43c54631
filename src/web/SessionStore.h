#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QList>
#include <QString>

class Clock;

// The page's logins: each a token of 128 random bits from the system's
// random source, valid 90 days. Only SHA-256 hashes of the tokens are kept,
// in zelvo-webseite-sitzungen.json in the working folder (readable by its
// owner only, written through AtomicFile), so they outlive a restart and a
// copy of the file logs nobody in. Bounded: beyond kMaxSessions the oldest
// login ends.
class SessionStore
{
public:
    static inline const QString kFileName = QStringLiteral("zelvo-webseite-sitzungen.json");
    static constexpr int kDays = 90;
    static constexpr int kMaxSessions = 100;

    SessionStore(const QDir &folder, const Clock &clock);

    // Reads the file; one that cannot be read counts as no logins.
    void load();
    // A new login: the token for the cookie (32 hex digits).
    QByteArray open();
    // Whether token belongs to a login that has not ended.
    bool isValid(const QByteArray &token) const;
    void close(const QByteArray &token);
    // Ends every login (a new password).
    void clear();

    // Ends every login of the Zelvo in folder, running or not: its file goes.
    static QString clearFile(const QDir &folder);

private:
    struct Session {
        QByteArray hash; // SHA-256 of the token
        QDateTime expires;
    };
    int indexOf(const QByteArray &token) const; // -1 when none
    void save();

    QString m_path;
    const Clock &m_clock;
    QList<Session> m_sessions; // oldest first
};
