#pragma once

#include "app/Engine.h"

#include <QMainWindow>

#include <array>

class QLabel;
class QMenu;
class QAction;
class Shape;

// The main window: a television that mirrors the last message sent, above
// the set-top box whose display shows the clock and the four status lamps.
// It shows the engine's state and forwards menu choices; nothing more.
class StartForm : public QMainWindow
{
    Q_OBJECT
public:
    // Client area in pixels (6180 x 4395 twips).
    static constexpr int kClientWidth = 412;
    static constexpr int kClientHeight = 293;

    explicit StartForm(const Engine::Options &options = Engine::Options(), QWidget *parent = nullptr);
    ~StartForm() override;

    Engine *engine() const { return m_engine; }

    // Centres the window, shows it and starts the engine (one status watch
    // tick at once, then both timers).
    void startUp();

    // The information panel on the television.
    void showInfo(const QString &text);
    void hideInfo();

    // The "Datei" menu, which serves as the tray menu.
    QMenu *fileMenu() const { return m_fileMenu; }

public slots:
    void openWindow();   // "Öffnen"
    void quit();         // "Beenden"
    void openTextsend(); // "Text sofort senden"
    void openBoxip();    // "IP der D-Boxen"
    void openInfo();     // "Info"

signals:
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void showAlert(const QString &text);
    void mirrorInfo();

    Engine *m_engine;
    QWidget *m_client = nullptr;
    QMenu *m_fileMenu = nullptr;
    QLabel *m_clockLabel = nullptr;  // Label1(0)
    QLabel *m_infoTitle = nullptr;   // Label2
    QLabel *m_infoText = nullptr;    // Label3
    QLabel *m_statusLabel = nullptr; // Label4
    Shape *m_infoBack = nullptr;     // Shape2
    Shape *m_infoBar = nullptr;      // Shape3
    std::array<Shape *, 4> m_lamps{}; // Shape4..Shape7
    bool m_alertOpen = false; // a message box is open: no second one
};
