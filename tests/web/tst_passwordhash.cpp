// The page's password key: nettle's PBKDF2-HMAC-SHA256 gives QPasswordDigestor's
// keys (RFC 7914's vectors, and a random password and salt), so hashes
// written before it still match.
#include "web/PasswordHash.h"

#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QTest>

class TestPasswordHash : public QObject
{
    Q_OBJECT
private slots:
    void sameKeysAsQt_data();
    void sameKeysAsQt();
};

void TestPasswordHash::sameKeysAsQt_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("salt");
    QTest::addColumn<int>("iterations");
    QTest::addColumn<QByteArray>("key"); // hex; empty: only as Qt derives it
    QTest::newRow("RFC 7914, 64 bytes")
        << QByteArray("passwd") << QByteArray("salt") << 1
        << QByteArray("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
                      "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    QTest::newRow("RFC 7914, 80000 rounds")
        << QByteArray("Password") << QByteArray("NaCl") << 80000
        << QByteArray("4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
                      "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d");
    QByteArray salt(PasswordHash::kSaltBytes, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(salt.data()), salt.size() / 4);
    QTest::newRow("random, umlauts") << QStringLiteral("Wäsche %1").arg(QRandomGenerator::global()->generate()).toUtf8()
                                     << salt << 1000 << QByteArray();
}

void TestPasswordHash::sameKeysAsQt()
{
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, salt);
    QFETCH(int, iterations);
    QFETCH(QByteArray, key);
    const int bytes = key.isEmpty() ? 32 : int(key.size() / 2);
    const QByteArray qt =
        QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password, salt, iterations, quint64(bytes));
    QCOMPARE(PasswordHash::derive(password, salt, iterations, bytes).toHex(), qt.toHex());
    if (!key.isEmpty())
        QCOMPARE(qt.toHex(), key);
}

QTEST_APPLESS_MAIN(TestPasswordHash)
#include "tst_passwordhash.moc"
