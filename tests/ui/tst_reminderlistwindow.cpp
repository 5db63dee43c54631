// The list editor windows on the offscreen platform, with real files and
// the real reminder clock behind a fake sender.
#include "FakeBoxSender.h"
#include "FakeClock.h"
#include "MessageBoxCatcher.h"
#include "Screenshot.h"
#include "TempFolder.h"

#include "ListCheckWindow.h"
#include "ReminderListWindow.h"
#include "ReminderRowDialog.h"
#include "boxes/BoxListSource.h"
#include "common/StatusBoard.h"
#include "engine/Engine.h"
#include "reminders/ReminderClock.h"

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimeEdit>

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(7, 0));

void click(QWidget *window, const char *name)
{
    auto *button = window->findChild<QPushButton *>(name);
    QVERIFY2(button && button->isEnabled(), name);
    button->click();
}

} // namespace

class TestReminderListWindow : public QObject
{
    Q_OBJECT
private slots:
    void addedReminderIsSentByTheClock();
    void reminderThatNeverFiresAsksFirst();
    void neverSavesOverAChangeElsewhere();
    void listCheckShowsTheReport();
};

void TestReminderListWindow::addedReminderIsSentByTheClock()
{
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n0\r\n0\r\n0\r\n0\r\n");
    folder.write("zlv-tag.txt", "06:30 06:30 m 1 Aufstehen\r\n7:45 07:50 p 2 Bus\r\n\r\n");
    FakeClock time(kNow);
    Engine engine(Engine::Options{folder.dir(), &time});
    ReminderListWindow window(&engine, ReminderListKind::Daily);
    window.show();
    auto *table = window.findChild<QTableWidget *>("Tabelle");
    QCOMPARE(table->rowCount(), 3);
    QVERIFY(table->item(1, ReminderListWindow::CheckColumn)->text().startsWith("wird nie gesendet: Uhrzeit \"7:45\""));

    click(&window, "Neu");
    QVERIFY(window.form());
    window.form()->findChild<QTimeEdit *>("Uhrzeit")->setTime(QTime(7, 25));
    window.form()->findChild<QTimeEdit *>("Termin")->setTime(QTime(7, 30));
    window.form()->findChild<QLineEdit *>("Text")->setText("Muell rausbringen");
    click(window.form(), "Uebernehmen");
    QTRY_VERIFY(!window.form());
    QCOMPARE(table->rowCount(), 4);
    QVERIFY(saveScreenshot(&window, "listeditor"));
    click(&window, "Speichern");
    QCOMPARE(folder.read("zlv-tag.txt"),
             QByteArray("06:30 06:30 m 1 Aufstehen\r\n7:45 07:50 p 2 Bus\r\n\r\n07:25 07:30 p 1 Muell rausbringen\r\n"));

    BoxListSource boxes(folder.dir());
    FakeBoxSender sender(&boxes);
    StatusBoard display;
    ReminderClock clock(time, folder.dir(), &sender, &display);
    QCOMPARE(clock.checkList(ReminderListKind::Daily, QDateTime(kNow.date(), QTime(7, 25))), 1);
    QCOMPARE(sender.sent.size(), 1);
    QCOMPARE(sender.sent.at(0).message.kind, MessageKind::Popup);
    QVERIFY(sender.sent.at(0).message.text.endsWith("07:30 Uhr Muell rausbringen"));
}

void TestReminderListWindow::reminderThatNeverFiresAsksFirst()
{
    TempFolder folder;
    FakeClock time(kNow);
    Engine engine(Engine::Options{folder.dir(), &time});
    ReminderListWindow window(&engine, ReminderListKind::Dated);
    window.show();
    click(&window, "Neu");
    window.form()->findChild<QDateEdit *>("Datum")->setDate(kNow.date().addDays(-1));
    click(window.form(), "Uebernehmen");
    QCOMPARE(answerMessageBox("Zurück"), QString("Diese Erinnerung wird nie gesendet: Termin 06-12-2026 liegt in der "
                                       "Vergangenheit.\n\nTrotzdem übernehmen?"));
    QVERIFY(window.form());
    QCOMPARE(window.findChild<QTableWidget *>("Tabelle")->rowCount(), 0);
    click(window.form(), "Uebernehmen");
    QVERIFY(!answerMessageBox("Trotzdem übernehmen").isEmpty());
    QTRY_COMPARE(window.findChild<QTableWidget *>("Tabelle")->rowCount(), 1);
    click(&window, "Speichern");
    QCOMPARE(folder.read("zlv-term.txt"), QByteArray("06-12-2026 07:00 07:00 p 1 \r\n"));
}

void TestReminderListWindow::neverSavesOverAChangeElsewhere()
{
    TempFolder folder;
    folder.write("zlv-tag.txt", "07:00 07:05 p 1 Kaffee\r\n");
    FakeClock time(kNow);
    Engine engine(Engine::Options{folder.dir(), &time});
    ReminderListWindow window(&engine, ReminderListKind::Daily);
    window.show();
    auto *table = window.findChild<QTableWidget *>("Tabelle");
    // Without unsaved changes the window follows the file.
    folder.write("zlv-tag.txt", "07:00 07:05 p 1 Kaffee\r\n08:00 08:05 p 1 Tee\r\n");
    QTRY_COMPARE(table->rowCount(), 2);

    table->selectRow(0);
    click(&window, "Loeschen");
    QCOMPARE(table->rowCount(), 1);
    const QByteArray elsewhere("07:00 07:05 p 1 Kaffee\r\n08:00 08:05 p 1 Tee\r\n09:00 09:05 p 1 Saft\r\n");
    folder.write("zlv-tag.txt", elsewhere);
    click(&window, "Speichern");
    QVERIFY(answerMessageBox("Neuen Stand laden").startsWith("zlv-tag.txt wurde geändert, seit dieses Fenster die Datei gelesen hat"));
    QCOMPARE(folder.read("zlv-tag.txt"), elsewhere);
    QTRY_COMPARE(table->rowCount(), 3);
}

void TestReminderListWindow::listCheckShowsTheReport()
{
    TempFolder folder;
    folder.write("zlv-woch.txt", "Mo 07:25 07:30 p 2 X\r\n");
    FakeClock time(kNow);
    ListCheckWindow window(folder.dir(), &time);
    window.show();
    QTRY_VERIFY(window.report().contains("zlv-woch.txt"));
    QVERIFY(window.report().contains("muss klein geschrieben werden"));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestReminderListWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reminderlistwindow.moc"
