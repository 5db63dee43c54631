#include "FakeClock.h"
#include "MainWindow.h"
#include "Screenshot.h"
#include "TempFolder.h"
#include "UpcomingWindow.h"
#include "engine/Engine.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTreeWidget>

class TestUpcomingWindow : public QObject
{
    Q_OBJECT
private slots:
    void menuOpensTheNextReminders();
};

void TestUpcomingWindow::menuOpensTheNextReminders()
{
    // "Demnächst" from the menu: the list's and the calendar's next reminders
    // by time, with box, kind, text and source.
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    folder.write("zlv-term.txt", "24-12-2026 18:00 18:00 p 2 Bescherung\r\n");
    folder.write("familie.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//DE\r\nBEGIN:VEVENT\r\nUID:1\r\n"
                                "DTSTART;TZID=Europe/Berlin:20261224T163000\r\nSUMMARY:Kirche\r\nEND:VEVENT\r\n"
                                "END:VCALENDAR\r\n");
    FakeClock time(QDateTime(QDate(2026, 12, 23), QTime(12, 0)));
    Engine::Options options;
    options.folder = folder.dir();
    options.clock = &time;
    MainWindow form(options);
    auto *entry = form.findChild<QAction *>("demnaechst");
    QVERIFY(entry);
    QCOMPARE(entry->text(), QString("Demnächst"));
    entry->trigger();
    auto *window = form.findChild<UpcomingWindow *>();
    QVERIFY(window && window->isVisible());
    auto *table = window->findChild<QTreeWidget *>("upcomingTable");
    QStringList rows;
    for (int i = 0; i < table->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << table->topLevelItem(i)->text(c);
        rows << cells.join(" | ");
    }
    QCOMPARE(rows, (QStringList{"24.12.2026 16:30:00 | 1 | Popup | 16:30 Kirche | familie.ics",
                                "24.12.2026 18:00:40 | 2 | Popup | 18:00  Bescherung | zlv-term.txt"}));
    QVERIFY(saveScreenshot(window, "demnaechst"));
}

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Berlin");
    QApplication app(argc, argv);
    TestUpcomingWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_upcomingwindow.moc"
