// Every file Zelvo replaces, on a file system that cannot take the new
// bytes: the old file stays whole and the reason is German.
#include "PrivateNetwork.h"
#include "SmallFileSystem.h"

#include "boxes/BoxListFile.h"
#include "common/AtomicFile.h"
#include "engine/AutostartEntry.h"
#include "sendtext/SendTextSettings.h"

#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

namespace {
QString g_noNamespace;
const QByteArray kOld = "old content, whole\r\n";
}

class TestAtomicFile : public QObject
{
    Q_OBJECT
private slots:
    void failureKeepsOldFile_data();
    void failureKeepsOldFile();
    void keepsModeAndLink();
};

void TestAtomicFile::failureKeepsOldFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("full"); // else read-only
    QTest::addColumn<QString>("reason");
    for (const QString file : {"boxip.ini", "wendrel.ini", "autostart/zelvo.desktop"}) {
        QTest::addRow("%s, full", qPrintable(file)) << file << true << QStringLiteral("der Datenträger ist voll");
        QTest::addRow("%s, read-only", qPrintable(file))
            << file << false << QStringLiteral("das Dateisystem ist schreibgeschützt");
    }
}

void TestAtomicFile::failureKeepsOldFile()
{
    QFETCH(QString, file);
    QFETCH(bool, full);
    QFETCH(QString, reason);
    if (!g_noNamespace.isEmpty())
        QSKIP(qPrintable(g_noNamespace));
    SmallFileSystem fs;
    if (!fs.error().isEmpty())
        QSKIP(qPrintable(fs.error()));
    qputenv("XDG_CONFIG_HOME", fs.dir().path().toLocal8Bit());
    QVERIFY(fs.dir().mkpath(QStringLiteral("autostart")));
    QFile old(fs.path(file));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size());
    old.close();
    QVERIFY(full ? fs.fillUp() : fs.makeReadOnly());
    const QStringList before = fs.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QString error;
    if (file == BoxListFile::kFileName) {
        BoxList boxes;
        boxes.addresses[0] = QStringLiteral("192.168.1.40");
        error = BoxListFile::write(fs.dir(), boxes);
    } else if (file == SendTextSettings::kFileName) {
        error = SendTextSettings::write(fs.dir(), SendTextSettings{});
    } else {
        QVERIFY(!AutostartEntry::turnOn(QStringLiteral("/usr/bin/zelvo"), &error));
    }
    QVERIFY2(error.endsWith(reason), qPrintable(error));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), kOld);
    // No new file left behind beside it.
    QCOMPARE(fs.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

// Replacing keeps what the user set up around the file.
void TestAtomicFile::keepsModeAndLink()
{
    QTemporaryDir t;
    const QString real = t.filePath(QStringLiteral("real.ini"));
    const QString link = t.filePath(QStringLiteral("boxip.ini"));
    QVERIFY(QFile::link(real, link));
    QCOMPARE(AtomicFile::write(link, "eins"), QString());
    QVERIFY(::chmod(QFile::encodeName(real).constData(), 0640) == 0);
    QCOMPARE(AtomicFile::write(link, "zwei"), QString());
    QVERIFY(QFileInfo(link).isSymLink());
    QFile f(real);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("zwei"));
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(real).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, 0640u);
}

int main(int argc, char *argv[])
{
    // The namespace must be entered while the process has a single thread.
    g_noNamespace = PrivateNetwork::enter();
    QCoreApplication app(argc, argv);
    TestAtomicFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_atomicfile.moc"
