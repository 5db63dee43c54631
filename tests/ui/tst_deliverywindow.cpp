#include "BoxServers.h"
#include "FakeClock.h"
#include "Screenshot.h"
#include "ScriptedEchoProber.h"
#include "TempFolder.h"
#include "DeliveryWindow.h"
#include "MainWindow.h"
#include "TrayIcon.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/RequestChannel.h"

#include <QAction>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTreeWidget>

// "Verlauf" on the real main window and engine: three reminders at 07:25 go
// to an answering box, a silent one and one not configured; the window,
// opened from the "Aktionen" menu, shows each with its outcome, newest
// first, and the tray tip tells how the last one went.
class TestDeliveryWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showsEveryOutcome();
    void followsTheRecordWhileOpen();

private:
    DeliveryWindow *openFromMenu(const char *action);

    TempFolder *m_folder = nullptr;
    BoxServers *m_boxes = nullptr;
    FakeClock m_clock{QDateTime(QDate(2026, 12, 7), QTime(7, 25, 0))};
    ScriptedEchoProber *m_prober = nullptr;
    MainWindow *m_form = nullptr;
};

void TestDeliveryWindow::init()
{
    m_folder = new TempFolder;
    m_folder->write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n0.0.0.0\r\n127.0.0.5\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    m_boxes = new BoxServers;
    QVERIFY(m_boxes->listen());
    m_boxes->box(2).setAnswering(false);
    m_prober = new ScriptedEchoProber;
    Engine::Options o;
    o.folder = m_folder->dir();
    o.clock = &m_clock;
    o.httpPort = m_boxes->port();
    o.httpTimeoutMs = 400;
    o.prober = m_prober;
    m_form = new MainWindow(o);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void TestDeliveryWindow::cleanup()
{
    delete m_form;
    delete m_prober;
    delete m_boxes;
    delete m_folder;
}

DeliveryWindow *TestDeliveryWindow::openFromMenu(const char *action)
{
    m_form->findChild<QAction *>(action)->trigger();
    auto *window = m_form->findChild<DeliveryWindow *>("Verlauf");
    if (window && !QTest::qWaitForWindowExposed(window))
        return nullptr;
    return window;
}

void TestDeliveryWindow::showsEveryOutcome()
{
    m_folder->write("zlv-tag.txt", "07:25 07:30 p 1 Muell rausbringen\n"
                                   "07:25 07:30 n 2 Zahnarzt\n"
                                   "07:25 07:30 p 3 Blumen giessen\n");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("nicht gesendet an \"0\\.0\\.0\\.0\""));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Fehler bei \"127\\.0\\.0\\.3\".*keine Antwort"));
    m_form->engine()->start();
    const DeliveryRecord *record = m_form->engine()->deliveryRecord();
    QTRY_COMPARE_WITH_TIMEOUT(int(record->entries().size()), 3, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(record->entries().at(1).outcome != DeliveryOutcome::Waiting, 5000);
    QTRY_VERIFY(record->entries().at(0).outcome != DeliveryOutcome::Waiting);
    m_form->engine()->stop();

    DeliveryWindow *window = openFromMenu("verlauf");
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QString("Verlauf"));
    QTreeWidget *list = window->list();
    QCOMPARE(list->topLevelItemCount(), 3);

    struct Row {
        QString box, source, text, outcome;
        QColor mark;
    };
    const QList<Row> expected{
        {"Box 3 (0.0.0.0)", "Erinnerung, Popup", "07:30 Blumen giessen",
         "nicht gesendet: Box nicht eingerichtet (0.0.0.0)", QColor(0x90, 0x90, 0x90)},
        {"Box 2 (127.0.0.3)", "Erinnerung, Nachricht", "07:30 Zahnarzt", "keine Antwort nach 0.4 s",
         QColor(0xD0, 0x30, 0x30)},
        {"Box 1 (127.0.0.2)", "Erinnerung, Popup", "07:30 Muell rausbringen", "beantwortet (HTTP 200)",
         QColor(0x2E, 0xA0, 0x44)},
    };
    for (int row = 0; row < 3; ++row) {
        const QTreeWidgetItem *item = list->topLevelItem(row);
        const Row &want = expected.at(row);
        QCOMPARE(item->text(DeliveryWindow::TimeColumn), QString("07.12. 07:25:00"));
        QCOMPARE(item->text(DeliveryWindow::BoxColumn), want.box);
        QCOMPARE(item->text(DeliveryWindow::SourceColumn), want.source);
        QVERIFY2(item->text(DeliveryWindow::TextColumn).startsWith(want.text),
                 qPrintable(item->text(DeliveryWindow::TextColumn)));
        QCOMPARE(item->text(DeliveryWindow::OutcomeColumn), want.outcome);
        const QImage mark = item->icon(DeliveryWindow::TimeColumn).pixmap(12, 12).toImage();
        QCOMPARE(mark.pixelColor(6, 6), want.mark);
    }
    QCOMPARE(m_form->trayIcon()->icon()->toolTip(),
             QString("Öffnen mit Doppelklick\nLetzte Nachricht 07:25:00 an Box 3: "
                     "nicht gesendet: Box nicht eingerichtet (0.0.0.0)"));
    QVERIFY(saveScreenshot(window, "Verlauf"));
}

void TestDeliveryWindow::followsTheRecordWhileOpen()
{
    QCOMPARE(m_form->trayIcon()->icon()->toolTip(), QString("Öffnen mit Doppelklick"));
    DeliveryWindow *window = openFromMenu("verlauf2"); // the tray menu's entry
    QVERIFY(window);
    QCOMPARE(window->list()->topLevelItemCount(), 0);
    m_form->engine()->channel(4)->send("127.0.0.5", {MessageKind::Popup, "Es klingelt\nan der Tür"},
                                       {MessageSource::Script, 4});
    QCOMPARE(window->list()->topLevelItemCount(), 1);
    QTreeWidgetItem *item = window->list()->topLevelItem(0);
    QCOMPARE(item->text(DeliveryWindow::TextColumn), QString("Es klingelt"));
    QCOMPARE(item->text(DeliveryWindow::SourceColumn), QString("zelvo send, Popup"));
    QCOMPARE(item->text(DeliveryWindow::OutcomeColumn), QString("wartet auf Antwort"));
    QTRY_COMPARE(item->text(DeliveryWindow::OutcomeColumn), QString("beantwortet (HTTP 200)"));
    QVERIFY(m_form->trayIcon()->icon()->toolTip().endsWith("an Box 4: beantwortet (HTTP 200)"));
}

QTEST_MAIN(TestDeliveryWindow)
#include "tst_deliverywindow.moc"
