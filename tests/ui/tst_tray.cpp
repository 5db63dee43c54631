#include "TempFolder.h"
#include "MainWindow.h"
#include "TrayDecision.h"
#include "TrayIcon.h"
#include "common/ZelvoSettings.h"
#include "engine/Engine.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QPushButton>
#include <QPointer>
#include <QTest>

#include <functional>

// The tray icon and the minimise button. The offscreen platform has no
// tray, so the tests ask the icon's own signal and tell the icon whether a
// tray exists.
namespace {

// Calls back when the watched window gets its close event.
class CloseWatcher : public QObject
{
public:
    explicit CloseWatcher(std::function<void()> onClose) : m_onClose(std::move(onClose)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            m_onClose();
        return false;
    }

private:
    std::function<void()> m_onClose;
};

} // namespace

class TestTray : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void activationDecision_data();
    void activationDecision();
    void minimiseDecision();
    void iconAndTip();
    void doubleClickShowsHiddenWindow();
    void doubleClickRestoresMinimisedWindow();
    void contextPopsUpFileMenu();
    void singleAndMiddleClickDoNothing_data();
    void singleAndMiddleClickDoNothing();
    void minimiseHidesToTray();
    void minimiseWithoutTrayStaysPlain();
    void trayAppearingLaterIsUsed();
    void openFromMenuShowsHiddenWindow();
    void quitRemovesIconBeforeWindowGoes();
    void closeRemovesIcon();
    void infoWindowOutlivesQuit();
    void dialogsAreSingleInstances();
    void closeChoiceKeptInZelvoIni();
    void otherWindowsWorkWhileADialogIsOpen();

private:
    QSystemTrayIcon *icon() const { return m_form->trayIcon()->icon(); }
    void minimise();

    TempFolder *m_folder = nullptr;
    MainWindow *m_form = nullptr;
    bool m_trayAvailable = false;
};

void TestTray::init()
{
    m_folder = new TempFolder;
    Engine::Options options;
    options.folder = m_folder->dir();
    m_form = new MainWindow(options);
    m_trayAvailable = true;
    m_form->trayIcon()->setTrayAvailableCheck([this] { return m_trayAvailable; });
    m_form->startUp();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void TestTray::cleanup()
{
    delete m_form;
    m_form = nullptr;
    delete m_folder;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == "Infoanz")
            delete w;
}

void TestTray::minimise()
{
    m_form->setWindowState(m_form->windowState() | Qt::WindowMinimized);
    QCoreApplication::processEvents();
}

void TestTray::activationDecision_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<int>("action");
    using A = TrayDecision::Activation;
    QTest::newRow("double-click") << int(QSystemTrayIcon::DoubleClick) << int(A::ShowWindow);
    QTest::newRow("context") << int(QSystemTrayIcon::Context) << int(A::PopUpMenu);
    QTest::newRow("single click") << int(QSystemTrayIcon::Trigger) << int(A::Nothing);
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << int(A::Nothing);
    QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << int(A::Nothing);
}

void TestTray::activationDecision()
{
    QFETCH(int, reason);
    QFETCH(int, action);
    QCOMPARE(int(TrayDecision::forActivation(QSystemTrayIcon::ActivationReason(reason))), action);
}

void TestTray::minimiseDecision()
{
    QCOMPARE(TrayDecision::forMinimise(true), TrayDecision::Minimise::HideToTray);
    QCOMPARE(TrayDecision::forMinimise(false), TrayDecision::Minimise::PlainMinimise);
}

void TestTray::iconAndTip()
{
    QVERIFY(icon());
    // Below the line that names the test's folder.
    QVERIFY(icon()->toolTip().endsWith(QString("\nÖffnen mit Doppelklick")));
    QVERIFY(!icon()->icon().isNull());
    QCOMPARE(icon()->icon().cacheKey(), m_form->windowIcon().cacheKey());
    QVERIFY(icon()->isVisible()); // shown together with the window
    QVERIFY(m_form->isVisible());
}

void TestTray::doubleClickShowsHiddenWindow()
{
    m_form->hide();
    emit icon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
}

void TestTray::doubleClickRestoresMinimisedWindow()
{
    minimise();
    QTRY_VERIFY(!m_form->isVisible());
    emit icon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
}

void TestTray::contextPopsUpFileMenu()
{
    m_form->hide();
    emit icon()->activated(QSystemTrayIcon::Context);
    QMenu *menu = m_form->fileMenu();
    QTRY_VERIFY(menu->isVisible());
    QStringList items;
    for (QAction *a : menu->actions())
        items << a->text();
    QCOMPARE(items, (QStringList{"Öffnen", "Text sofort senden", "Verlauf", "Beenden"}));
    QVERIFY(!m_form->isVisible()); // the menu alone, not the window
    menu->hide();
}

void TestTray::singleAndMiddleClickDoNothing_data()
{
    QTest::addColumn<int>("reason");
    QTest::newRow("single click") << int(QSystemTrayIcon::Trigger);
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick);
}

void TestTray::singleAndMiddleClickDoNothing()
{
    QFETCH(int, reason);
    m_form->hide();
    emit icon()->activated(QSystemTrayIcon::ActivationReason(reason));
    QTest::qWait(50);
    QVERIFY(!m_form->isVisible());
    QVERIFY(!m_form->fileMenu()->isVisible());
    QVERIFY(icon());
}

void TestTray::minimiseHidesToTray()
{
    minimise();
    QTRY_VERIFY(!m_form->isVisible());
    QVERIFY(icon());
    QVERIFY(icon()->isVisible());
    // The timers keep running while the window is in the tray.
    QVERIFY(m_form->findChild<QObject *>("Timer2")->property("active").toBool());
}

void TestTray::minimiseWithoutTrayStaysPlain()
{
    m_trayAvailable = false;
    minimise();
    QTest::qWait(50);
    QVERIFY(m_form->isVisible());
    QVERIFY(m_form->isMinimized());
    // Once a tray is there, the next minimise uses it.
    m_form->openWindow();
    QVERIFY(!m_form->isMinimized());
    m_trayAvailable = true;
    minimise();
    QTRY_VERIFY(!m_form->isVisible());
}

void TestTray::trayAppearingLaterIsUsed()
{
    // A fresh window started while no tray existed.
    delete m_form;
    Engine::Options options;
    options.folder = m_folder->dir();
    m_form = new MainWindow(options);
    m_trayAvailable = false;
    m_form->trayIcon()->setTrayAvailableCheck([this] { return m_trayAvailable; });
    m_form->startUp();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    m_trayAvailable = true;
    minimise();
    QTRY_VERIFY(!m_form->isVisible());
    QVERIFY(icon()->isVisible());
}

void TestTray::openFromMenuShowsHiddenWindow()
{
    minimise();
    QTRY_VERIFY(!m_form->isVisible());
    m_form->findChild<QAction *>("auf")->trigger();
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
}

void TestTray::quitRemovesIconBeforeWindowGoes()
{
    QPointer<QSystemTrayIcon> tray = icon();
    bool iconGoneWhenClosing = false;
    // The close event reaches the window after the icon is gone.
    CloseWatcher watcher([&] { iconGoneWhenClosing = tray.isNull(); });
    m_form->installEventFilter(&watcher);
    m_form->findChild<QAction *>("beenden")->trigger();
    m_form->removeEventFilter(&watcher);
    QVERIFY(iconGoneWhenClosing);
    QVERIFY(tray.isNull());
    QVERIFY(!m_form->isVisible());
    QVERIFY(!m_form->findChild<QObject *>("Timer2")->property("active").toBool());
}

void TestTray::closeRemovesIcon()
{
    QPointer<QSystemTrayIcon> tray = icon();
    QVERIFY(m_form->close());
    QVERIFY(tray.isNull());
    QVERIFY(m_form->trayIcon()->icon() == nullptr);
    // Also from the tray, while the window is hidden there.
    cleanup();
    init();
    minimise();
    QTRY_VERIFY(!m_form->isVisible());
    tray = icon();
    m_form->findChild<QAction *>("beenden")->trigger();
    QVERIFY(tray.isNull());
}

void TestTray::infoWindowOutlivesQuit()
{
    QVERIFY(QApplication::quitOnLastWindowClosed());
    m_form->findChild<QAction *>("info")->trigger();
    QWidget *info = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == "Infoanz" && w->isVisible())
            info = w;
    QVERIFY(info);
    QVERIFY(!info->parentWidget()); // a window of its own: it keeps the program running
    QVERIFY(info->testAttribute(Qt::WA_QuitOnClose));
    m_form->quit();
    QVERIFY(info->isVisible());
    QVERIFY(!m_form->isVisible());
}

void TestTray::dialogsAreSingleInstances()
{
    auto count = [](const QString &name) {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == name && w->isVisible())
                ++n;
        return n;
    };
    m_form->findChild<QAction *>("info")->trigger();
    m_form->findChild<QAction *>("info")->trigger();
    QCOMPARE(count("Infoanz"), 1);

    m_form->findChild<QAction *>("tese")->trigger();
    m_form->findChild<QAction *>("tese2")->trigger();
    QCOMPARE(count("Textsend"), 1);
    QWidget *textsend = QApplication::activeModalWidget();
    QVERIFY(textsend);
    QCOMPARE(textsend->objectName(), QString("Textsend"));
    QCOMPARE(textsend->windowModality(), Qt::WindowModal);
    textsend->close();
    QTRY_COMPARE(count("Textsend"), 0);

    m_form->findChild<QAction *>("ipbox")->trigger();
    m_form->findChild<QAction *>("ipbox")->trigger();
    QCOMPARE(count("boxip"), 1);
    QCOMPARE(QApplication::activeModalWidget()->objectName(), QString("boxip"));
    // Closing the main window closes its dialogs without saving.
    m_form->close();
    QTRY_COMPARE(count("boxip"), 0);
    QVERIFY(!QFile::exists(m_folder->path("boxip.ini")));
}

// Chosen in zelvo.ini, closing hides the window into the tray; "Beenden"
// still ends Zelvo. (Closing ends it by default: closeRemovesIcon.)
void TestTray::closeChoiceKeptInZelvoIni()
{
    m_folder->write("zelvo.ini", "[Fenster]\nBeimSchliessen=weiterlaufen\n");
    m_form->engine()->settings()->check(); // as at the next watch tick
    QVERIFY(m_form->centralWidget()->toolTip().startsWith("Schließen des Fensters: Zelvo läuft im Infobereich weiter"));
    QPointer<QSystemTrayIcon> tray = icon();
    m_form->close();
    QVERIFY(!m_form->isVisible());
    QVERIFY(!tray.isNull());
    m_form->findChild<QAction *>("beenden")->trigger();
    QVERIFY(tray.isNull());
}

// The dialogs are modal to the main window only: a window of its own, as the
// tray icon's is, still takes clicks, and so does the tray menu.
void TestTray::otherWindowsWorkWhileADialogIsOpen()
{
    m_form->findChild<QAction *>("ipbox")->trigger();
    QTRY_VERIFY(QApplication::activeModalWidget());
    QPushButton elsewhere("Infobereich");
    elsewhere.show();
    QVERIFY(QTest::qWaitForWindowExposed(&elsewhere));
    QSignalSpy clicked(&elsewhere, &QPushButton::clicked);
    // Through the window, as the platform delivers it (and would block it).
    QTest::mouseClick(elsewhere.windowHandle(), Qt::LeftButton, {}, elsewhere.rect().center());
    QTRY_COMPARE(clicked.size(), 1);
    QMenu *menu = m_form->fileMenu();
    menu->popup(QPoint(20, 20));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {},
                      menu->actionGeometry(m_form->findChild<QAction *>("verlauf2")).center());
    QTRY_VERIFY(m_form->findChild<QWidget *>("Verlauf"));
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
