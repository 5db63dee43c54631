#include "TrayDecision.h"

namespace TrayDecision {

Activation forActivation(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        return Activation::ShowWindow;
    case QSystemTrayIcon::Context:
        return Activation::PopUpMenu;
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
    return Activation::Nothing;
}

Minimise forMinimise(bool trayAvailable)
{
    return trayAvailable ? Minimise::HideToTray : Minimise::PlainMinimise;
}

} // namespace TrayDecision
