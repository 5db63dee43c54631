#include "web/WebAccess.h"

#include "web/PasswordHash.h"
#include "web/WebExchange.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QPointer>
#include <QThreadPool>

namespace {

constexpr int kMaxBasicKnown = 8;

QByteArray hashOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

} // namespace

WebAccess::WebAccess(const QDir &folder, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_settings(folder)
    , m_sessions(folder, clock)
{
    m_monotonic.start();
    m_hash = m_settings.passwordHash();
    m_sessions.load();
}

bool WebAccess::hasPassword()
{
    const QString hash = m_settings.passwordHash();
    if (hash != m_hash) {
        m_hash = hash;
        m_sessions.clear();
        m_basicKnown.clear();
    }
    return !m_hash.isEmpty();
}

void WebAccess::check(const WebRequest &request, std::function<void(Verdict)> done)
{
    if (!hasPassword())
        return done(Verdict::NoCredentials);
    if (m_sessions.isValid(request.cookie(kCookie)))
        return done(Verdict::Allowed);
    const QByteArray authorization = request.header("authorization");
    if (!authorization.startsWith("Basic "))
        return done(Verdict::NoCredentials);
    const QByteArray known = hashOf(authorization);
    bool found = false;
    for (const QByteArray &k : std::as_const(m_basicKnown))
        found = PasswordHash::sameBytes(k, known) || found;
    if (found)
        return done(Verdict::Allowed);
    const QByteArray pair = QByteArray::fromBase64(authorization.mid(6).trimmed());
    const qsizetype colon = pair.indexOf(':');
    if (colon < 0)
        return done(Verdict::NoCredentials);
    derive(request.peer, pair.mid(colon + 1), known, std::move(done));
}

void WebAccess::checkPassword(const QString &peer, const QByteArray &password, std::function<void(Verdict)> done)
{
    if (!hasPassword())
        return done(Verdict::NoCredentials);
    derive(peer, password, QByteArray(), std::move(done));
}

void WebAccess::derive(const QString &peer, const QByteArray &password, const QByteArray &basicHeader,
                       std::function<void(Verdict)> done)
{
    if (m_guard.isBlocked(peer, m_monotonic.elapsed()))
        return done(Verdict::TooMany);
    if (m_checking >= kMaxChecks)
        return done(Verdict::Busy);
    ++m_checking;
    const QPointer<WebAccess> self(this);
    const QString hash = m_hash;
    // On the pool's thread, which ends by itself when idle; the verdict
    // comes back to this thread.
    QThreadPool::globalInstance()->start([self, hash, password, peer, basicHeader, done] {
        const bool right = PasswordHash::matches(password, hash);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, hash, right, peer, basicHeader, done] {
                if (!self)
                    return;
                --self->m_checking;
                if (hash != self->m_hash) // a new password meanwhile
                    return done(Verdict::WrongPassword);
                if (!right) {
                    self->m_guard.failed(peer, self->m_monotonic.elapsed());
                    return done(Verdict::WrongPassword);
                }
                self->m_guard.succeeded(peer);
                if (!basicHeader.isEmpty()) {
                    self->m_basicKnown << basicHeader;
                    while (self->m_basicKnown.size() > kMaxBasicKnown)
                        self->m_basicKnown.removeFirst();
                }
                done(Verdict::Allowed);
            },
            Qt::QueuedConnection);
    });
}
