#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>

class QMenu;

// The icon in the notification area with the tip "Öffnen mit Doppelklick"
// (and below it, once there is one, how the last message went).
// It asks for the main window on a double-click and pops up the given menu
// on a context click; removing it takes it off the tray at once, so that no
// stale icon stays behind when the program ends.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    static inline const QString kToolTip = QStringLiteral("Öffnen mit Doppelklick");

    // menu is not owned.
    TrayIcon(const QIcon &icon, QMenu *menu, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Puts the icon into the tray (if there is one).
    void show();
    // Hides and deletes the icon; safe to call more than once.
    void remove();

    // The tip's last line: how the last message went.
    void setLastDelivery(const QString &line);
    // How many messages wait for their boxes; a line of the tip when any.
    void setHeldCount(int count);
    void setQuestionCount(int count);
    // What the folder lacks and which calendars cannot be fetched, first in
    // the tip while it lasts (StatusBoard::notice).
    void setNotice(const QString &text);
    // A first line naming the folder, for a Zelvo beside the one of ~/Zelvo.
    void setFolder(const QString &folder);

    // Null once removed.
    QSystemTrayIcon *icon() const { return m_icon; }

    // Asked at the moment of minimising: whether the window may hide to
    // the tray. A tray that has appeared since the icon was shown gets the
    // icon now.
    bool canHideWindow();

    // Tests replace the question whether a system tray exists.
    void setTrayAvailableCheck(std::function<bool()> check) { m_trayAvailable = std::move(check); }

signals:
    void showWindowRequested();

private:
    void activated(QSystemTrayIcon::ActivationReason reason);

    QPointer<QSystemTrayIcon> m_icon;
    QPointer<QMenu> m_menu;
    std::function<bool()> m_trayAvailable;
    void updateTip();

    QString m_heading = kToolTip; // the tip above the last delivery
    QString m_lastDelivery;
    int m_heldCount = 0;
    int m_questionCount = 0;
    QString m_notice;
    bool m_shownWithoutTray = false;
};
