#include "BoxServers.h"
#include "FakeClock.h"
#include "MessageBoxCatcher.h"
#include "Screenshot.h"
#include "ScriptedEchoProber.h"
#include "TempFolder.h"
#include "DeliveryWindow.h"
#include "MainWindow.h"
#include "TrayIcon.h"
#include "boxes/DeliveryRecord.h"

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include "boxes/BoxSender.h"
#include "common/ZelvoSettings.h"
#include <QSystemTrayIcon>
#include <QTest>
#include <QTreeWidget>

// "Verlauf" on the real main window and engine: three reminders at 07:25 go
// to an answering box, a silent one and one not configured; the window,
// opened from the "Aktionen" menu, shows each with its outcome as it comes,
// newest first, and the tray tip tells how the last one went.
class TestDeliveryWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showsEveryOutcome();
    void trayMenuOpensIt();
    void resizedAndRemembered();
    void copyFilterAndClear();
    void fitsTheScreen();

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
    m_boxes->box(2).setUnanswered("/control/message");
    m_prober = new ScriptedEchoProber;
    // Boxes 1 and 2 answer echo (box 2's web server hangs on messages: it is
    // on, and its message gets no answer).
    m_prober->setOutcome("127.0.0.2", EchoResult::Outcome::Reply);
    m_prober->setOutcome("127.0.0.3", EchoResult::Outcome::Reply);
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
    // Opened before anything is sent: it follows the record as it grows.
    DeliveryWindow *window = openFromMenu("verlauf");
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QString("Verlauf"));
    QTreeWidget *list = window->list();
    QCOMPARE(list->topLevelItemCount(), 0);
    m_form->engine()->start();
    QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 3, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItem(1)->text(DeliveryWindow::OutcomeColumn),
                              QString("keine Antwort nach 0.4 s"), 5000);
    m_form->engine()->stop();

    // Newest first: box, kind, text and outcome, and the colour of the mark.
    const QList<QStringList> rows{
        {"Box 3 (0.0.0.0)", "Erinnerung", "Popup", "07:30 Blumen giessen", "nicht gesendet: Box nicht eingerichtet (0.0.0.0)"},
        {"Box 2 (127.0.0.3)", "Erinnerung", "Message", "07:30 Zahnarzt", "keine Antwort nach 0.4 s"},
        {"Box 1 (127.0.0.2)", "Erinnerung", "Popup", "07:30 Muell rausbringen", "beantwortet (HTTP 200)"},
    };
    const QList<QColor> marks{QColor(0x90, 0x90, 0x90), QColor(0xD0, 0x30, 0x30), QColor(0x2E, 0xA0, 0x44)};
    for (int row = 0; row < 3; ++row) {
        const QTreeWidgetItem *item = list->topLevelItem(row);
        QCOMPARE(item->text(DeliveryWindow::TimeColumn), QString("07.12. 07:25:00"));
        for (int c = DeliveryWindow::BoxColumn; c <= DeliveryWindow::OutcomeColumn; ++c)
            QCOMPARE(item->text(c), rows.at(row).at(c - 1));
        QCOMPARE(item->icon(DeliveryWindow::TimeColumn).pixmap(12, 12).toImage().pixelColor(6, 6), marks.at(row));
    }
    // (its first line names the test's folder)
    QVERIFY(m_form->trayIcon()->icon()->toolTip().endsWith(
        QString("\nÖffnen mit Doppelklick\nLetzte Nachricht 07:25:00 an Box 3: "
                "nicht gesendet: Box nicht eingerichtet (0.0.0.0)")));
    QVERIFY(saveScreenshot(window, "Verlauf"));
    // The whole text and outcome, however narrow the column.
    QCOMPARE(list->topLevelItem(1)->toolTip(DeliveryWindow::TextColumn),
             QString("Es ist 07:25 Uhr!\n" + QString(62, '-') + "\n\n07:30 Uhr Zahnarzt\n\n"
                     "Ergebnis: keine Antwort nach 0.4 s"));
}

// Enlarged and with a wider text column, it opens so again (read back from
// zelvo.ini); Escape closes it.
void TestDeliveryWindow::resizedAndRemembered()
{
    DeliveryWindow *window = openFromMenu("verlauf");
    QVERIFY(window);
    window->resize(300, 200);
    window->list()->setColumnWidth(DeliveryWindow::TextColumn, 420);
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(!m_form->findChild<DeliveryWindow *>("Verlauf"));
    QVERIFY(m_folder->read("zelvo.ini").contains("[Verlauf]"));
    window = openFromMenu("verlauf");
    QVERIFY(window);
    QCOMPARE(window->size(), QSize(320, 200)); // no smaller than its least
    QCOMPARE(window->list()->columnWidth(DeliveryWindow::TextColumn), 420);
}

// Selected rows go to the clipboard as tab-separated lines; the filter keeps
// the rows that name what is typed; "Leeren" asks, then empties the record.
void TestDeliveryWindow::copyFilterAndClear()
{
    BoxSender *sender = m_form->engine()->sender();
    sender->notSent({MessageKind::Message, "Zahnarzt\tum 8"}, {MessageSource::TypedText, 2}, "Box aus");
    sender->notSent({MessageKind::Message, "Muell"}, {MessageSource::TypedText, 1}, "Box aus");
    DeliveryWindow *window = openFromMenu("verlauf");
    QVERIFY(window);
    QTreeWidget *list = window->list();
    QCOMPARE(list->topLevelItemCount(), 2);
    QTRY_COMPARE(list->topLevelItem(1)->text(DeliveryWindow::OutcomeColumn), QString("nicht gesendet: Box aus"));
    list->selectAll();
    list->findChild<QAction *>("Kopieren")->trigger();
    QTRY_COMPARE(QGuiApplication::clipboard()->text(),
                 QString("07.12. 07:25:00\tBox 1\tMuell\tnicht gesendet: Box aus\n"
                         "07.12. 07:25:00\tBox 2\tZahnarzt um 8\tnicht gesendet: Box aus\n"));

    // A row the filter hides is not copied.
    window->findChild<QLineEdit *>("Filter")->setText("box 2");
    QCOMPARE(window->selectedText(), QString("07.12. 07:25:00\tBox 2\tZahnarzt um 8\tnicht gesendet: Box aus\n"));

    window->findChild<QPushButton *>("Leeren")->click();
    QCOMPARE(list->topLevelItemCount(), 2); // not before the answer
    QVERIFY(answerMessageBox("Leeren").startsWith("Den Verlauf leeren?"));
    QTRY_COMPARE(list->topLevelItemCount(), 0);
    QVERIFY(m_form->engine()->deliveryRecord()->entries().empty());
}

// A size remembered larger than the screen is cut to it, and the title bar
// stays on it, at any scale factor (this test also runs at scale 2).
void TestDeliveryWindow::fitsTheScreen()
{
    ZelvoSettings(m_folder->dir()).setDeliveryWindowLayout({QSize(3000, 2000), {}});
    DeliveryWindow *window = openFromMenu("verlauf");
    QVERIFY(window);
    const QRect screen = window->screen()->availableGeometry();
    QVERIFY(screen.contains(window->frameGeometry()));
    QVERIFY(window->width() >= screen.width() / 2);
}

void TestDeliveryWindow::trayMenuOpensIt()
{
    QVERIFY(m_form->trayIcon()->icon()->toolTip().endsWith(QString("\nÖffnen mit Doppelklick")));
    QVERIFY(openFromMenu("verlauf2"));
}

QTEST_MAIN(TestDeliveryWindow)
#include "tst_deliverywindow.moc"
