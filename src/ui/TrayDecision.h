#pragma once

#include <QSystemTrayIcon>

// What the tray icon and the minimise button lead to.
namespace TrayDecision {

enum class Activation { Nothing, ShowWindow, PopUpMenu };
enum class Minimise { HideToTray, PlainMinimise };

// A double-click shows the main window, the context click pops up the
// "Datei" menu; a single click and the middle button do nothing.
Activation forActivation(QSystemTrayIcon::ActivationReason reason);

// Without a tray a hidden window could never come back, so it is then only
// minimised.
Minimise forMinimise(bool trayAvailable);

} // namespace TrayDecision
