#pragma once

#include "web/LoginGuard.h"
#include "web/SessionStore.h"
#include "web/WebSettings.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>

struct WebRequest;

// Who may use the page: a login's cookie, or the password (the login form,
// or HTTP Basic with any user name for scripts). A password is checked on
// the thread pool, so that a derivation never holds up a reminder; a Basic
// header found right is remembered, so a script's next call costs none.
// A new password in zelvo.ini ends every login. Passwords, tokens and
// cookies are compared in constant time and never logged.
class WebAccess : public QObject
{
    Q_OBJECT
public:
    static inline const QByteArray kCookie = QByteArrayLiteral("zelvo");
    // Derivations under way at once; more get "busy".
    static constexpr int kMaxChecks = 4;

    enum class Verdict { Allowed, NoCredentials, WrongPassword, TooMany, Busy };

    WebAccess(const QDir &folder, const Clock &clock, QObject *parent = nullptr);

    // Whether the page has a password (then it is served).
    bool hasPassword();
    // The request's cookie or Basic header. done may come later.
    void check(const WebRequest &request, std::function<void(Verdict)> done);
    // A password typed into the login form.
    void checkPassword(const QString &peer, const QByteArray &password, std::function<void(Verdict)> done);

    SessionStore &sessions() { return m_sessions; }

private:
    void derive(const QString &peer, const QByteArray &password, const QByteArray &basicHeader,
                std::function<void(Verdict)> done);

    WebSettings m_settings;
    SessionStore m_sessions;
    LoginGuard m_guard;
    QElapsedTimer m_monotonic;
    QString m_hash; // the password hash the logins belong to
    QList<QByteArray> m_basicKnown; // SHA-256 of Basic headers found right
    int m_checking = 0;
};
