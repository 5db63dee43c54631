#include "MainWindow.h"

#include "boxes/BoxSender.h"
#include "common/Version.h"

#include "Shape.h"
#include "TrayIcon.h"
#include "DeliveryWindow.h"
#include "UpcomingWindow.h"
#include "boxes/DeliveryRecord.h"
#include "common/BoxStateText.h"
#include "common/StatusBoard.h"
#include "app/AutostartEntry.h"
#include "engine/DefaultFolder.h"
#include "BoxAddressDialog.h"
#include "InfoWindow.h"
#include "PanelLabel.h"
#include "SendTextDialog.h"
#include "SettingsDialog.h"
#include "common/ZelvoSettings.h"
#include "ListCheckWindow.h"
#include "ReminderListWindow.h"
#include "WindowGeometry.h"
#include "watch/StatusWatch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoopLocker>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSignalBlocker>
#include <QSvgWidget>

namespace {

// A lamp is green for a box that is on, red otherwise.
const QColor kLampOn(0x00, 0xFF, 0x00);
const QColor kLampOff(0xFF, 0x00, 0x00);
const QColor kLampStandby(0xFF, 0xB0, 0x00);

QFont displayFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(9.75);
    font.setBold(true);
    return font;
}

// Brings a window of the program to the front.
void present(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, const QRect &geometry)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

} // namespace

using WindowGeometry::twips;

MainWindow::MainWindow(const Engine::Options &options, QWidget *parent)
    : QMainWindow(parent)
    , m_engine(new Engine(options, this))
{
    setObjectName(QStringLiteral("StartForm"));
    // A Zelvo beside the one of ~/Zelvo names its folder, to tell them apart.
    const QString folder = options.folder.absolutePath();
    const QString folderName = DefaultFolder::isDefault(folder) ? QString() : DefaultFolder::shownName(folder);
    setWindowTitle(folderName.isEmpty() ? QStringLiteral("Zelvo v" ZELVO_VERSION " beta")
                                        : QStringLiteral("Zelvo v" ZELVO_VERSION " beta - %1").arg(folderName));
    setWindowIcon(QIcon(QStringLiteral(":/clock.svg")));
    // Title, system menu, minimise and close; no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    // Menus and message boxes in the type of the dialogs (the platform
    // would give them its own).
    for (const char *kind : {"QMenu", "QMenuBar", "QMessageBox"})
        QApplication::setFont(WindowGeometry::dialogFont(), kind);
    buildControls();
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_tray = new TrayIcon(windowIcon(), m_fileMenu, this);
    if (!folderName.isEmpty())
        m_tray->setFolder(folderName);
    connect(m_tray, &TrayIcon::showWindowRequested, this, &MainWindow::openWindow);
    connect(m_engine->deliveryRecord(), &DeliveryRecord::added, this, &MainWindow::mirrorLastDelivery);
    connect(m_engine->deliveryRecord(), &DeliveryRecord::updated, this, &MainWindow::mirrorLastDelivery);

    StatusBoard *display = m_engine->display();
    connect(display, &StatusBoard::clockTextChanged, m_clockLabel, &QLabel::setText);
    connect(display, &StatusBoard::boxStatusChanged, m_statusLabel, &QLabel::setText);
    connect(display, &StatusBoard::lampChanged, this, &MainWindow::mirrorLamp);
    connect(m_engine->sender(), &BoxSender::kindLearnt, this, &MainWindow::mirrorLamps);
    mirrorLamps();
    mirrorCloseChoice();
    connect(m_engine->settings(), &ZelvoSettings::windowChanged, this, &MainWindow::mirrorCloseChoice);
    connect(display, &StatusBoard::heldCountChanged, m_tray, &TrayIcon::setHeldCount);
    connect(display, &StatusBoard::questionCountChanged, m_tray, &TrayIcon::setQuestionCount);
    connect(display, &StatusBoard::noticeChanged, m_tray, &TrayIcon::setNotice);
    connect(display, &StatusBoard::infoChanged, this, &MainWindow::mirrorInfo);
    connect(m_engine, &Engine::alert, this, &MainWindow::showAlert);
}

MainWindow::~MainWindow()
{
    delete m_info; // a window of its own, without a parent
}

void MainWindow::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(kClientWidth, kClientHeight);
    m_client->setAutoFillBackground(true);
    QPalette pal = m_client->palette();
    pal.setColor(QPalette::Window, Qt::black);
    m_client->setPalette(pal);
    setCentralWidget(m_client);

    auto *tv = new QSvgWidget(QStringLiteral(":/television.svg"), m_client);
    tv->setObjectName(QStringLiteral("Image2"));
    tv->setGeometry(twips(1560, 240, 3300, 2655));

    m_infoBack = new Shape(QColor(128, 128, 255), m_client);
    m_infoBack->setObjectName(QStringLiteral("Shape2"));
    m_infoBack->setGeometry(twips(2160, 720, 2175, 1455));
    m_infoBar = new Shape(QColor(0, 0, 255), m_client);
    m_infoBar->setObjectName(QStringLiteral("Shape3"));
    m_infoBar->setGeometry(twips(2160, 720, 2175, 210));

    m_infoTitle = makeLabel(m_client, QStringLiteral("Label2"), QStringLiteral("Information"), twips(2205, 720, 855, 255));
    m_infoTitle->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    m_infoText = new PanelLabel(m_client);
    m_infoText->setObjectName(QStringLiteral("Label3"));
    m_infoText->setGeometry(twips(2160, 960, 2175, 1215));
    m_infoText->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    m_infoTitle->setFont(WindowGeometry::dialogFont());
    m_infoText->setFont(WindowGeometry::dialogFont());
    m_infoText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_infoBack->hide();
    m_infoBar->hide();
    m_infoTitle->hide();

    auto *box = new QSvgWidget(QStringLiteral(":/settopbox.svg"), m_client);
    box->setObjectName(QStringLiteral("Image1"));
    box->setGeometry(twips(240, 3120, 5775, 1125));

    auto *front = new Shape(Qt::black, m_client);
    front->setObjectName(QStringLiteral("Shape1"));
    front->setGeometry(twips(4080, 3360, 1215, 615));

    auto *active = makeLabel(m_client, QStringLiteral("Label1_1"), QStringLiteral("aktiv"), twips(4245, 3405, 975, 255));
    active->setFont(displayFont());
    active->setAlignment(Qt::AlignCenter);
    active->setStyleSheet(QStringLiteral("color: black; background: rgb(0,255,0);"));

    m_clockLabel = makeLabel(m_client, QStringLiteral("Label1_0"), QStringLiteral("00:00:00"), twips(4245, 3705, 975, 255));
    m_clockLabel->setFont(displayFont());
    m_clockLabel->setAlignment(Qt::AlignCenter);
    m_clockLabel->setStyleSheet(QStringLiteral("color: rgb(0,255,0); background: transparent;"));

    const int lampTops[BoxList::kBoxes] = {3405, 3540, 3675, 3810};
    for (int i = 0; i < BoxList::kBoxes; ++i) {
        m_lamps[i] = new Shape(kLampOff, m_client);
        m_lamps[i]->setObjectName(QStringLiteral("Shape%1").arg(4 + i));
        m_lamps[i]->setGeometry(twips(5280, lampTops[i], 90, 90));
    }

    // Below the visible client area: it holds the box status text.
    m_statusLabel = makeLabel(m_client, QStringLiteral("Label4"), QString(BoxList::kBoxes, QLatin1Char('0')), twips(960, 5280, 615, 255));
}

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto action = [this](QMenu *menu, const QString &name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };

    m_fileMenu = bar->addMenu(QStringLiteral("Datei"));
    m_fileMenu->setObjectName(QStringLiteral("mnbar"));
    connect(action(m_fileMenu, QStringLiteral("auf"), QStringLiteral("Öffnen")), &QAction::triggered, this,
            &MainWindow::openWindow);
    connect(action(m_fileMenu, QStringLiteral("tese2"), QStringLiteral("Text sofort senden")), &QAction::triggered,
            this, &MainWindow::openSendTextDialog);
    connect(action(m_fileMenu, QStringLiteral("verlauf2"), QStringLiteral("Verlauf")), &QAction::triggered, this,
            &MainWindow::openDeliveryWindow);
    connect(action(m_fileMenu, QStringLiteral("beenden"), QStringLiteral("Beenden")), &QAction::triggered, this,
            &MainWindow::quit);
    m_fileMenu->menuAction()->setVisible(false); // only the tray shows it

    QMenu *send = bar->addMenu(QStringLiteral("Aktionen"));
    send->setObjectName(QStringLiteral("send"));
    connect(action(send, QStringLiteral("tese"), QStringLiteral("Text sofort senden")), &QAction::triggered, this,
            &MainWindow::openSendTextDialog);
    connect(action(send, QStringLiteral("verlauf"), QStringLiteral("Verlauf")), &QAction::triggered, this,
            &MainWindow::openDeliveryWindow);
    action(send, QStringLiteral("countd"), QStringLiteral("Countdown setzen"))->setVisible(false);
    connect(action(send, QStringLiteral("demnaechst"), QStringLiteral("Demnächst")), &QAction::triggered, this,
            &MainWindow::openUpcomingWindow);

    QMenu *settings = bar->addMenu(QStringLiteral("Einstellungen"));
    settings->setObjectName(QStringLiteral("einstell"));
    connect(action(settings, QStringLiteral("ipbox"), QStringLiteral("IP der D-Boxen")), &QAction::triggered, this,
            &MainWindow::openBoxAddressDialog);
    connect(action(settings, QStringLiteral("zelvoini"), QStringLiteral("Einstellungen…")), &QAction::triggered, this,
            &MainWindow::openSettingsDialog);
    const char *const editors[3][2] = {{"tägl", "tgl. Erinnerungen editieren"},
                                       {"wochen", "Wochen Erinnerungen editieren"},
                                       {"einzel", "Einzel Erinnerungen editieren"}};
    for (int list = 0; list < 3; ++list)
        connect(action(settings, QString::fromUtf8(editors[list][0]), QString::fromUtf8(editors[list][1])),
                &QAction::triggered, this, [this, list] { openListEditor(list); });
    connect(action(settings, QStringLiteral("pruefen"), QStringLiteral("Listen prüfen")), &QAction::triggered, this,
            &MainWindow::openListCheck);
    settings->addSeparator();
    // Shows the entry as it is on disk each time the menu opens.
    QAction *autostart = action(settings, QStringLiteral("autostart"), QStringLiteral("Beim Anmelden starten"));
    autostart->setCheckable(true);
    const AutostartEntry entry(m_engine->folder().absolutePath());
    autostart->setChecked(entry.isOn());
    connect(settings, &QMenu::aboutToShow, autostart, [autostart, entry] {
        const QSignalBlocker quiet(autostart);
        autostart->setChecked(entry.isOn());
    });
    connect(autostart, &QAction::toggled, this, &MainWindow::setAutostart);

    QAction *info = bar->addAction(QStringLiteral("Info"));
    info->setObjectName(QStringLiteral("info"));
    connect(info, &QAction::triggered, this, &MainWindow::openInfo);
}

void MainWindow::startUp()
{
    adjustSize();
    WindowGeometry::centreOnScreen(this);
    m_tray->show();
    show();
    m_engine->start();
}

void MainWindow::mirrorInfo()
{
    const StatusBoard *display = m_engine->display();
    m_infoText->setText(display->infoText());
    m_infoTitle->setVisible(display->infoVisible());
    m_infoBack->setVisible(display->infoVisible());
    m_infoBar->setVisible(display->infoVisible());
}

void MainWindow::showAlert(const QString &text)
{
    // Message boxes never pile up: while one is open, further ones are
    // dropped and the status watch lets its ticks pass; everything else runs
    // on, since the box is opened without an event loop of its own.
    if (m_alert)
        return;
    m_engine->statusWatch()->hold();
    m_alert = WindowGeometry::openMessage(this, QMessageBox::Warning, text,
                                          [watch = m_engine->statusWatch()] { watch->release(); });
}

void MainWindow::openWindow()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    m_hiddenInTray.reset();
    raise();
    activateWindow();
}

void MainWindow::quit()
{
    m_quitting = true;
    m_tray->remove(); // before the window goes
    close();
}

// The settings dialogs are modal to the main window only and do not block
// the caller: the timers and requests run on while they are open, and the
// tray menu still opens.
void MainWindow::openSendTextDialog()
{
    if (!m_sendTextDialog) {
        m_sendTextDialog = new SendTextDialog(m_engine, this);
        m_sendTextDialog->setAttribute(Qt::WA_DeleteOnClose);
        m_sendTextDialog->setWindowModality(Qt::WindowModal);
    }
    present(m_sendTextDialog);
}

void MainWindow::openBoxAddressDialog()
{
    if (!m_boxAddressDialog) {
        m_boxAddressDialog = new BoxAddressDialog(m_engine, this);
        m_boxAddressDialog->setAttribute(Qt::WA_DeleteOnClose);
        m_boxAddressDialog->setWindowModality(Qt::WindowModal);
        connect(m_boxAddressDialog, &QDialog::accepted, this, &MainWindow::mirrorLamps);
    }
    present(m_boxAddressDialog);
}

void MainWindow::openSettingsDialog()
{
    if (!m_settingsDialog) {
        m_settingsDialog = new SettingsDialog(m_engine, m_webPage, this);
        m_settingsDialog->setAttribute(Qt::WA_DeleteOnClose);
        m_settingsDialog->setWindowModality(Qt::WindowModal);
    }
    present(m_settingsDialog);
}

void MainWindow::mirrorCloseChoice()
{
    m_client->setToolTip(m_engine->settings()->closeKeepsRunning()
                             ? QStringLiteral("Schließen des Fensters: Zelvo läuft im Infobereich weiter "
                                              "(Einstellungen > Einstellungen…)")
                             : QStringLiteral("Schließen des Fensters beendet Zelvo; danach kommen keine Erinnerungen "
                                              "mehr (Einstellungen > Einstellungen…)"));
}

void MainWindow::setAutostart(bool on)
{
    QString error;
    const AutostartEntry entry(m_engine->folder().absolutePath());
    const bool done = on ? entry.turnOn(QCoreApplication::applicationFilePath(), &error) : entry.turnOff(&error);
    if (done)
        return;
    auto *autostart = findChild<QAction *>(QStringLiteral("autostart"));
    const QSignalBlocker quiet(autostart);
    autostart->setChecked(entry.isOn());
    showAlert(error);
}

void MainWindow::openInfo()
{
    // Without a parent, so that it can outlive the main window.
    if (!m_info) {
        m_info = new InfoWindow;
        m_info->setAttribute(Qt::WA_DeleteOnClose);
    }
    present(m_info);
}

void MainWindow::openDeliveryWindow()
{
    // A child of the main window: it shows this engine's record and goes with it.
    if (!m_deliveryWindow) {
        m_deliveryWindow = new DeliveryWindow(m_engine->deliveryRecord(), m_engine->folder(), this);
        m_deliveryWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    present(m_deliveryWindow);
}

void MainWindow::openUpcomingWindow()
{
    if (!m_upcomingWindow) {
        m_upcomingWindow = new UpcomingWindow(m_engine, this);
        m_upcomingWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    present(m_upcomingWindow);
}

void MainWindow::openListEditor(int list)
{
    if (!m_listEditors[list]) {
        m_listEditors[list] = new ReminderListWindow(m_engine, ReminderListKind(list), this);
        m_listEditors[list]->setAttribute(Qt::WA_DeleteOnClose);
    }
    present(m_listEditors[list]);
}

void MainWindow::openListCheck()
{
    if (!m_listCheck) {
        m_listCheck = new ListCheckWindow(m_engine->folder(), m_engine->clock(), this);
        m_listCheck->setAttribute(Qt::WA_DeleteOnClose);
    }
    present(m_listCheck);
}

// Green: a message would be seen; amber: the box answers but shows none
// (standby, AV input), so messages wait; red: off or not yet found.
void MainWindow::mirrorLamp(int box, BoxState state)
{
    const QColor colour = state == BoxState::On        ? kLampOn
                          : state == BoxState::Standby ? kLampStandby
                                                       : kLampOff;
    QString what = BoxStateText::of(state, BoxStateText::Form::Lamp);
    // The watch never judges a box without an address.
    if (state == BoxState::Unknown && !m_engine->boxList()->boxes().namesAddress(box))
        what = QStringLiteral("nicht eingerichtet");
    // "Box 2 (Enigma2)" for a box of the second kind.
    const QString name = BoxStateText::boxName(box, m_engine->sender()->kindOf(box));
    m_lamps[box - 1]->setFillColor(colour);
    const QString note = m_engine->display()->lampNote(box);
    m_lamps[box - 1]->setToolTip(name + QStringLiteral(": ") + what + (note.isEmpty() ? QString() : QLatin1Char('\n') + note));
}

void MainWindow::mirrorLamps()
{
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        mirrorLamp(box, m_engine->display()->lamp(box));
}

void MainWindow::mirrorLastDelivery(const Delivery &entry)
{
    const std::deque<Delivery> &entries = m_engine->deliveryRecord()->entries();
    if (!entries.empty() && entries.back().id == entry.id)
        m_tray->setLastDelivery(entry.summaryText());
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || !isVisible())
        return;
    // Hidden, the window is off the task bar and only the tray icon is left;
    // without a tray it stays a plain minimise so it can always come back.
    if (m_tray->canHideWindow())
        QMetaObject::invokeMethod(this, &MainWindow::hideToTray, Qt::QueuedConnection);
}

void MainWindow::hideToTray()
{
    if (!isMinimized() || !isVisible())
        return;
    m_hiddenInTray = std::make_unique<QEventLoopLocker>();
    hide();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Chosen in zelvo.ini: the close box hides the window into the tray,
    // where there is one; "Beenden" still ends Zelvo.
    if (!m_quitting && m_engine->settings()->closeKeepsRunning() && m_tray->canHideWindow()) {
        event->ignore();
        m_hiddenInTray = std::make_unique<QEventLoopLocker>();
        hide();
        return;
    }
    // Otherwise closing is never cancelled.
    m_tray->remove();
    // The settings dialogs belong to the main window; closing them saves nothing.
    if (m_sendTextDialog)
        m_sendTextDialog->close();
    if (m_boxAddressDialog)
        m_boxAddressDialog->closeWithoutAsking();
    if (m_settingsDialog)
        m_settingsDialog->close();
    m_engine->stop();
    event->accept();
    // Gone from the tray too: once no other window is open, the program ends.
    m_hiddenInTray.reset();
}

void MainWindow::offerWebPage(WebPage *page)
{
    m_webPage = page;
    QMenu *settings = menuBar()->findChild<QMenu *>(QStringLiteral("einstell"));
    QAction *open = settings->addAction(QStringLiteral("Webseite…"));
    open->setObjectName(QStringLiteral("webseite"));
    // The settings dialog, on its tab "Webseite".
    connect(open, &QAction::triggered, this, [this] {
        openSettingsDialog();
        m_settingsDialog->showWebPageTab();
    });
}
