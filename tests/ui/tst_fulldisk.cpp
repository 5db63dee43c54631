// Every file Zelvo replaces, on a 64 KB file system that is full or
// read-only: the old file stays whole, nothing is left beside it, the reason
// is German, and "Speichern & Schließen" keeps the dialog and what was typed.
#include "MessageBoxCatcher.h"
#include "PrivateNetwork.h"
#include "SmallFileSystem.h"

#include "BoxAddressDialog.h"
#include "boxes/BoxListFile.h"
#include "engine/AutostartEntry.h"
#include "engine/Engine.h"
#include "sendtext/SendTextSettings.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

static QString g_noNamespace;

class TestFullDisk : public QObject
{
    Q_OBJECT
private slots:
    void oldFileStaysWhole_data();
    void oldFileStaysWhole();
};

void TestFullDisk::oldFileStaysWhole_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("full"); // else read-only
    QTest::addColumn<QString>("reason");
    for (const char *file : {"boxip.ini", "dialog", "wendrel.ini", "autostart/zelvo.desktop"}) {
        QTest::addRow("%s, full", file) << file << true << QString("der Datenträger ist voll");
        QTest::addRow("%s, read-only", file) << file << false << QString("das Dateisystem ist schreibgeschützt");
    }
}

void TestFullDisk::oldFileStaysWhole()
{
    QFETCH(QString, file);
    QFETCH(bool, full);
    QFETCH(QString, reason);
    SmallFileSystem fs;
    if (!g_noNamespace.isEmpty() || !fs.error().isEmpty())
        QSKIP(qPrintable(g_noNamespace + fs.error()));
    qputenv("XDG_CONFIG_HOME", fs.dir().path().toLocal8Bit());
    QVERIFY(fs.dir().mkdir("autostart"));
    const QString name = file == "dialog" ? "boxip.ini" : file;
    QFile old(fs.path(name));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("10.0.0.1\r\n") == 10);
    old.close();
    QVERIFY(full ? fs.fillUp() : fs.makeReadOnly());
    const QStringList before = fs.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QString error;
    if (file == "dialog") {
        Engine engine(Engine::Options{fs.dir()});
        BoxAddressDialog dialog(&engine);
        dialog.show();
        auto *address = dialog.findChild<QLineEdit *>("Text1_0");
        address->setText("10.0.0.99");
        MessageBoxCatcher catcher;
        dialog.findChild<QPushButton *>("Command1")->click();
        QTRY_COMPARE(catcher.count(), 1);
        error = catcher.text();
        QVERIFY(dialog.isVisible());
        QCOMPARE(address->text(), QString("10.0.0.99"));
    } else if (file == "boxip.ini") {
        error = BoxListFile::write(fs.dir(), BoxList{});
    } else if (file == "wendrel.ini") {
        error = SendTextSettings::write(fs.dir(), SendTextSettings{});
    } else {
        QVERIFY(!AutostartEntry::turnOn("/usr/bin/zelvo", &error));
    }
    QVERIFY2(error.endsWith(reason), qPrintable(error));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("10.0.0.1\r\n"));
    QCOMPARE(fs.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

int main(int argc, char *argv[])
{
    // The namespace must be entered while the process has a single thread.
    g_noNamespace = PrivateNetwork::enter();
    QApplication app(argc, argv);
    TestFullDisk test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fulldisk.moc"
