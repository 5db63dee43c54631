#include "BoxServers.h"
#include "ScriptedEchoProber.h"
#include "TempFolder.h"
#include "engine/SecondTimer.h"
#include "Shape.h"
#include "MainWindow.h"
#include "watch/StatusWatch.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using Outcome = EchoResult::Outcome;

class TestWatchStartUp : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startUpTickFillsStatusAndLamps();
    void openMessageBoxHoldsTheWatch();

private:
    MainWindow *makeForm();

    TempFolder *m_folder = nullptr;
    BoxServers *m_servers = nullptr; // the boxes' web servers, for their mode questions
    ScriptedEchoProber *m_prober = nullptr;
    MainWindow *m_form = nullptr;
};

void TestWatchStartUp::init()
{
    m_folder = new TempFolder;
    m_servers = new BoxServers;
    QVERIFY(m_servers->listen());
    m_prober = new ScriptedEchoProber;
}

void TestWatchStartUp::cleanup()
{
    delete m_form;
    m_form = nullptr;
    delete m_prober;
    delete m_servers;
    delete m_folder;
}

MainWindow *TestWatchStartUp::makeForm()
{
    Engine::Options options;
    options.folder = m_folder->dir();
    options.prober = m_prober;
    options.httpPort = m_servers->port();
    options.httpTimeoutMs = 2000;
    m_form = new MainWindow(options);
    return m_form;
}

void TestWatchStartUp::startUpTickFillsStatusAndLamps()
{
    // Report options 0: no message goes out.
    m_folder->write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n0.0.0.0\r\n127.0.0.5\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    m_prober->setOutcome("127.0.0.2", Outcome::Reply);
    m_prober->setOutcome("127.0.0.5", Outcome::Reply);
    MainWindow *form = makeForm();
    auto *timer2 = form->findChild<QTimer *>("Timer2");
    QVERIFY(timer2);
    QSignalSpy timer2Ticks(timer2, &QTimer::timeout);
    QSignalSpy finished(form->engine()->statusWatch(), &StatusWatch::tickFinished);

    form->startUp();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QVERIFY(finished.size() == 1 || finished.wait(2000));

    QVERIFY(timer2->isActive());
    QCOMPARE(timer2Ticks.size(), 0); // all of this before the first 10-second tick
    QCOMPARE(form->findChild<QLabel *>("Label4")->text(), QString("1001"));
    QCOMPARE(form->findChild<Shape *>("Shape4")->fillColor(), QColor(0, 255, 0));
    QCOMPARE(form->findChild<Shape *>("Shape5")->fillColor(), QColor(255, 0, 0));
    QCOMPARE(form->findChild<Shape *>("Shape6")->fillColor(), QColor(255, 0, 0)); // design colour, untouched
    QCOMPARE(form->findChild<Shape *>("Shape7")->fillColor(), QColor(0, 255, 0));
    QCOMPARE(form->findChild<QLabel *>("Label3")->text(), QString("Status der D-Boxen hat sich geändert!"));
    QCOMPARE(m_prober->probedAddresses(), (QStringList{"127.0.0.2", "127.0.0.3", "127.0.0.5"}));
}

void TestWatchStartUp::openMessageBoxHoldsTheWatch()
{
    m_folder->write("boxip.ini", "nonexistent.invalid\r\n127.0.0.3\r\n0.0.0.0\r\n0.0.0.0\r\n");
    m_prober->setOutcome("nonexistent.invalid", Outcome::Unresolved);
    m_prober->setDetail("nonexistent.invalid", "Name nicht auflösbar (der Name ist nicht bekannt)");
    m_prober->setOutcome("127.0.0.3", Outcome::Reply);
    MainWindow *form = makeForm();
    StatusWatch *watch = form->engine()->statusWatch();
    auto *timer1 = form->findChild<SecondTimer *>("Timer1");
    QVERIFY(timer1);
    QSignalSpy timer1Ticks(timer1, &SecondTimer::timeout);
    QSignalSpy finished(watch, &StatusWatch::tickFinished);

    // Looked at from inside the message box's own event loop.
    QString title, text;
    bool held = false;
    int boxesAfterSecondAlert = 0;
    int probesWhileOpen = -1;
    int timer1TicksWhileOpen = 0;
    bool closed = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer look;
    look.setInterval(20);
    connect(&look, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || closed)
            return;
        closed = true;
        look.stop();
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        held = watch->isHeld();
        emit form->engine()->alert(QStringLiteral("eine zweite Meldung"));
        for (QWidget *w : QApplication::topLevelWidgets())
            boxesAfterSecondAlert += qobject_cast<QMessageBox *>(w) && w->isVisible() ? 1 : 0;
        const int probesBefore = m_prober->probedAddresses().size();
        const int ticksBefore = timer1Ticks.size();
        watch->tick(); // as Timer2 would
        QTest::qWait(1300);
        probesWhileOpen = m_prober->probedAddresses().size() - probesBefore;
        timer1TicksWhileOpen = timer1Ticks.size() - ticksBefore;
        box->accept();
    });
    look.start();

    form->startUp();
    QTRY_VERIFY_WITH_TIMEOUT(closed, 5000);
    QTRY_VERIFY(!watch->isHeld());

    QCOMPARE(title, QString("Zelvo"));
    // The old words, and which box and address.
    QCOMPARE(text, QString("GetHostByName lieferte ungültiges Ergebnis!\nBox 1: \"nonexistent.invalid\" – Name "
                           "nicht auflösbar (der Name ist nicht bekannt)"));
    QCOMPARE(icon, QMessageBox::Warning); // an error, not a piece of information
    QVERIFY(held);
    QCOMPARE(boxesAfterSecondAlert, 1);
    QCOMPARE(probesWhileOpen, 0);
    QVERIFY(timer1TicksWhileOpen >= 1); // the reminder clock kept running
    QCOMPARE(finished.size(), 1);
    QCOMPARE(form->findChild<QLabel *>("Label4")->text(), QString("0100"));

    // Once the box is closed the watch runs again; the same address failing
    // again is logged, but the box is not shown again.
    m_prober->clearProbed();
    bool reopened = false;
    QTimer closer;
    closer.setInterval(20);
    connect(&closer, &QTimer::timeout, this, [&reopened] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            reopened = true;
            box->accept();
        }
    });
    closer.start();
    watch->tick();
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(m_prober->probedAddresses().size(), 2);
    QTest::qWait(100);
    QVERIFY(!reopened);
}

QTEST_MAIN(TestWatchStartUp)
#include "tst_watchstartup.moc"
