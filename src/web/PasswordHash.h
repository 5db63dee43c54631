#pragma once

#include <QByteArray>
#include <QString>

// The page's password as zelvo.ini keeps it: never itself, only
// "pbkdf2-sha256$<iterations>$<salt>$<key>" (salt and key in Base64),
// PBKDF2-HMAC-SHA256 with a random 16-byte salt from the system's random
// source, 600,000 iterations as OWASP recommends for it. The keys are
// QPasswordDigestor's (tests/web/tst_passwordhash.cpp compares them), derived
// by nettle, which is many times faster.
namespace PasswordHash {

constexpr int kIterations = 600000;
constexpr int kSaltBytes = 16;

QString make(const QString &password);
// PBKDF2-HMAC-SHA256 of password and salt: bytes of key.
QByteArray derive(const QByteArray &password, const QByteArray &salt, int iterations, int bytes);
// Whether password is the one stored; false for a stored text of no known
// form. Takes as long as one derivation.
bool matches(const QByteArray &password, const QString &stored);
// Compares in a time that depends on the lengths only.
bool sameBytes(const QByteArray &a, const QByteArray &b);

} // namespace PasswordHash
