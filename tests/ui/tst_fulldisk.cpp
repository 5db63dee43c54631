// Each file Zelvo replaces, on a full or read-only file system: the old file
// stays whole with nothing beside it, the reason is German, and
// "Speichern & Schließen" keeps the dialog and what was typed.
#include "MessageBoxCatcher.h"
#include "SmallFileSystem.h"

#include "BoxAddressDialog.h"
#include "boxes/BoxListFile.h"
#include "app/AutostartEntry.h"
#include "engine/DefaultFolder.h"
#include "engine/Engine.h"
#include "listedit/ReminderListDocument.h"
#include "sendtext/SendTextSettings.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

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
    for (const char *file : {"boxip.ini", "dialog", "wendrel.ini", "autostart/zelvo.desktop", "zlv-tag.txt"}) {
        QTest::addRow("%s, full", file) << file << true;
        QTest::addRow("%s, read-only", file) << file << false;
    }
}

void TestFullDisk::oldFileStaysWhole()
{
    QFETCH(QString, file);
    QFETCH(bool, full);
    SmallFileSystem fs;
    if (!fs.mounted())
        QSKIP("needs root, for a file system in a private mount namespace");
    qputenv("XDG_CONFIG_HOME", fs.path().toLocal8Bit());
    QFile old(fs.filePath(file == "dialog" ? "boxip.ini" : file));
    QVERIFY(QDir(fs.path()).mkdir("autostart") && old.open(QIODevice::WriteOnly) && old.write("10.0.0.1\r\n") == 10);
    old.close();
    QVERIFY(full ? fs.fillUp() : fs.makeReadOnly());
    const QStringList before = QDir(fs.path()).entryList(QDir::AllEntries | QDir::Hidden);

    QString error;
    if (file == "dialog") {
        Engine engine(Engine::Options{QDir(fs.path())});
        BoxAddressDialog dialog(&engine);
        dialog.show();
        dialog.findChild<QLineEdit *>("Text1_0")->setText("10.0.0.99");
        MessageBoxCatcher catcher;
        dialog.findChild<QPushButton *>("Command1")->click();
        QTRY_COMPARE(catcher.count(), 1);
        error = catcher.text();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.findChild<QLineEdit *>("Text1_0")->text(), QString("10.0.0.99"));
    } else if (file == "boxip.ini") {
        error = BoxListFile::write(QDir(fs.path()), BoxList{});
    } else if (file == "zlv-tag.txt") {
        ReminderListDocument list = ReminderListDocument::load(QDir(fs.path()), ReminderListKind::Daily);
        QVERIFY(list.insert(2, ReminderFields{{}, {}, "07:25", "07:30", MessageKind::Popup, 1, "Muell"}).isEmpty());
        QString version;
        QCOMPARE(list.save(&version, &error), ReminderListDocument::SaveOutcome::Failed);
    } else if (file == "wendrel.ini") {
        error = SendTextSettings::write(QDir(fs.path()), SendTextSettings{});
    } else {
        QVERIFY(!AutostartEntry(DefaultFolder::path()).turnOn("/usr/bin/zelvo", &error));
    }
    QVERIFY2(error.endsWith(full ? "der Datenträger ist voll" : "das Dateisystem ist schreibgeschützt"), qPrintable(error));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("10.0.0.1\r\n"));
    QCOMPARE(QDir(fs.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
}

int main(int argc, char *argv[])
{
    PrivateNetwork::enter(); // while the process has a single thread
    QApplication app(argc, argv);
    TestFullDisk test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fulldisk.moc"
