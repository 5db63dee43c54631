#pragma once

#include "boxes/BoxList.h"
#include "common/BoxState.h"
#include "engine/Engine.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class QMessageBox;
class WebPage;
class QLabel;
class QMenu;
class QAction;
class Shape;
class TrayIcon;
class SendTextDialog;
class BoxAddressDialog;
class SettingsDialog;
class InfoWindow;
class DeliveryWindow;
class UpcomingWindow;
struct Delivery;
class QEventLoopLocker;

// The main window: a television that mirrors the last message sent, above
// the set-top box whose display shows the clock and the four status lamps.
// It shows the engine's state and forwards menu choices; nothing more.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // Client area in pixels (6180 x 4395 twips).
    static constexpr int kClientWidth = 412;
    static constexpr int kClientHeight = 293;

    explicit MainWindow(const Engine::Options &options = Engine::Options(), QWidget *parent = nullptr);
    ~MainWindow() override;

    Engine *engine() const { return m_engine; }

    // Centres the window, shows it and starts the engine (one status watch
    // tick at once, then both timers).
    void startUp();

    // The "Datei" menu, which serves as the tray menu.
    QMenu *fileMenu() const { return m_fileMenu; }
    TrayIcon *trayIcon() const { return m_tray; }

public slots:
    void openWindow();   // "Öffnen"
    void quit();         // "Beenden"
    void openSendTextDialog(); // "Text sofort senden"
    void openBoxAddressDialog();    // "IP der D-Boxen"
    void openSettingsDialog(); // "Einstellungen…"
    void openInfo();     // "Info"
    void openDeliveryWindow(); // "Verlauf"
    void openUpcomingWindow(); // "Demnächst"
    // "tgl. / Wochen / Einzel Erinnerungen editieren", 0..2 as ReminderListKind
    void openListEditor(int list);
    void openListCheck(); // "Listen prüfen"
    // Adds "Webseite…" to the settings menu: the settings dialog on the
    // tab of page.
    void offerWebPage(WebPage *page);
    // "Beim Anmelden starten": writes or removes the autostart entry.
    void setAutostart(bool on);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void showAlert(const QString &text);
    void mirrorInfo();
    void mirrorLastDelivery(const Delivery &entry);
    void mirrorLamp(int box, BoxState state);
    void mirrorLamps();
    // The window's tip says what closing it does (zelvo.ini).
    void mirrorCloseChoice();
    void hideToTray();

    Engine *m_engine;
    QWidget *m_client = nullptr;
    QMenu *m_fileMenu = nullptr;
    QLabel *m_clockLabel = nullptr;  // Label1(0)
    QLabel *m_infoTitle = nullptr;   // Label2
    QLabel *m_infoText = nullptr;    // Label3
    QLabel *m_statusLabel = nullptr; // Label4
    Shape *m_infoBack = nullptr;     // Shape2
    Shape *m_infoBar = nullptr;      // Shape3
    std::array<Shape *, BoxList::kBoxes> m_lamps{}; // Shape4..Shape7
    TrayIcon *m_tray = nullptr;
    // Each window exists once, from its opening to its closing.
    QPointer<SendTextDialog> m_sendTextDialog;
    QPointer<BoxAddressDialog> m_boxAddressDialog;
    QPointer<SettingsDialog> m_settingsDialog;
    WebPage *m_webPage = nullptr; // the page the settings dialog's tab sets up, if any
    QPointer<InfoWindow> m_info;
    QPointer<DeliveryWindow> m_deliveryWindow;
    QPointer<UpcomingWindow> m_upcomingWindow;
    std::array<QPointer<QWidget>, 3> m_listEditors; // by ReminderListKind
    QPointer<QWidget> m_listCheck;
    // Held while the window is hidden in the tray: the program is still
    // running then, even when its last other window closes.
    std::unique_ptr<QEventLoopLocker> m_hiddenInTray;
    QPointer<QMessageBox> m_alert; // the message box open now, if any: no second one
    bool m_quitting = false; // "Beenden": closing ends Zelvo whatever zelvo.ini says
};
