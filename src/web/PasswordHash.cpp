#include "web/PasswordHash.h"

#include <QRandomGenerator>
#include <QStringList>

#include <nettle/pbkdf2.h>

namespace {

const QString kScheme = QStringLiteral("pbkdf2-sha256");
constexpr int kKeyBytes = 32;

} // namespace

// nettle's PBKDF2 (already in the process through GnuTLS) takes a fifteenth
// of QPasswordDigestor's time for the same key: a login costs well under a
// second, not several.
QByteArray PasswordHash::derive(const QByteArray &password, const QByteArray &salt, int iterations, int bytes)
{
    QByteArray key(bytes, Qt::Uninitialized);
    pbkdf2_hmac_sha256(size_t(password.size()), reinterpret_cast<const uint8_t *>(password.constData()),
                       unsigned(iterations), size_t(salt.size()), reinterpret_cast<const uint8_t *>(salt.constData()),
                       size_t(bytes), reinterpret_cast<uint8_t *>(key.data()));
    return key;
}

QString PasswordHash::make(const QString &password)
{
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()), kSaltBytes / 4);
    const QByteArray key = derive(password.toUtf8(), salt, kIterations, kKeyBytes);
    return kScheme + QLatin1Char('$') + QString::number(kIterations) + QLatin1Char('$')
           + QString::fromLatin1(salt.toBase64()) + QLatin1Char('$') + QString::fromLatin1(key.toBase64());
}

bool PasswordHash::matches(const QByteArray &password, const QString &stored)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts.at(0) != kScheme)
        return false;
    bool ok = false;
    const int iterations = parts.at(1).toInt(&ok);
    const QByteArray salt = QByteArray::fromBase64(parts.at(2).toLatin1());
    const QByteArray key = QByteArray::fromBase64(parts.at(3).toLatin1());
    // Never fewer than now: a file edited by hand does not weaken the hash.
    if (!ok || iterations < kIterations || iterations > 100 * kIterations || salt.isEmpty() || key.size() != kKeyBytes)
        return false;
    return sameBytes(derive(password, salt, iterations, kKeyBytes), key);
}

bool PasswordHash::sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char differ = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        differ |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return differ == 0;
}
