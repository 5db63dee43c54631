#include "web/SessionStore.h"

#include "web/PasswordHash.h"
#include "common/AtomicFile.h"
#include "common/Clock.h"
#include "common/Logging.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kMaxBytes = 64 * 1024;

QByteArray hashOf(const QByteArray &token)
{
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256);
}

} // namespace

SessionStore::SessionStore(const QDir &folder, const Clock &clock)
    : m_path(folder.filePath(kFileName))
    , m_clock(clock)
{
}

void SessionStore::load()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonArray list = QJsonDocument::fromJson(file.read(kMaxBytes)).object().value(QStringLiteral("sessions")).toArray();
    const QDateTime now = m_clock.now();
    for (const QJsonValue &v : list) {
        Session s;
        s.hash = QByteArray::fromHex(v.toObject().value(QStringLiteral("hash")).toString().toLatin1());
        s.expires = QDateTime::fromString(v.toObject().value(QStringLiteral("expires")).toString(), Qt::ISODate);
        if (s.hash.size() == 32 && s.expires > now && m_sessions.size() < kMaxSessions)
            m_sessions << s;
    }
}

QByteArray SessionStore::open()
{
    quint32 random[4];
    QRandomGenerator::system()->fillRange(random);
    const QByteArray token = QByteArray(reinterpret_cast<const char *>(random), sizeof random).toHex();
    m_sessions << Session{hashOf(token), m_clock.now().addDays(kDays)};
    while (m_sessions.size() > kMaxSessions)
        m_sessions.removeFirst();
    save();
    return token;
}

int SessionStore::indexOf(const QByteArray &token) const
{
    const QByteArray hash = hashOf(token);
    const QDateTime now = m_clock.now();
    int found = -1;
    // Every entry is compared, each in constant time.
    for (int i = 0; i < m_sessions.size(); ++i)
        if (PasswordHash::sameBytes(m_sessions.at(i).hash, hash) && m_sessions.at(i).expires > now)
            found = i;
    return found;
}

bool SessionStore::isValid(const QByteArray &token) const
{
    return !token.isEmpty() && indexOf(token) >= 0;
}

void SessionStore::close(const QByteArray &token)
{
    const int i = indexOf(token);
    if (i < 0)
        return;
    m_sessions.removeAt(i);
    save();
}

void SessionStore::clear()
{
    if (m_sessions.isEmpty())
        return;
    m_sessions.clear();
    save();
}

QString SessionStore::clearFile(const QDir &folder)
{
    const QString path = folder.filePath(kFileName);
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        return QStringLiteral("%1 kann nicht gelöscht werden").arg(path);
    return QString();
}

void SessionStore::save()
{
    QJsonArray list;
    const QDateTime now = m_clock.now();
    for (const Session &s : std::as_const(m_sessions))
        if (s.expires > now)
            list.append(QJsonObject{{QStringLiteral("hash"), QString::fromLatin1(s.hash.toHex())},
                                    {QStringLiteral("expires"), s.expires.toUTC().toString(Qt::ISODate)}});
    // Owner only from its first byte on; the atomic write keeps the mode.
    const QByteArray name = QFile::encodeName(m_path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
    const QString error =
        AtomicFile::write(m_path, QJsonDocument(QJsonObject{{QStringLiteral("sessions"), list}}).toJson());
    if (!error.isEmpty())
        qCWarning(lcWeb).noquote() << m_path << "kann nicht geschrieben werden:" << error
                                   << "- Anmeldungen gelten nur bis zum Ende";
}
