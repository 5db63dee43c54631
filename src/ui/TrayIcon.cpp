#include "TrayIcon.h"

#include "TrayDecision.h"

#include <QCursor>
#include <QMenu>

TrayIcon::TrayIcon(const QIcon &icon, QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_icon(new QSystemTrayIcon(icon, this))
    , m_menu(menu)
    , m_trayAvailable(&QSystemTrayIcon::isSystemTrayAvailable)
{
    m_icon->setObjectName(QStringLiteral("TrayIcon"));
    m_icon->setToolTip(kToolTip);
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
}

TrayIcon::~TrayIcon()
{
    remove();
}

void TrayIcon::setLastDelivery(const QString &line)
{
    if (m_icon)
        m_icon->setToolTip(m_heading + QLatin1Char('\n') + line);
}

void TrayIcon::setFolder(const QString &folder)
{
    m_heading = QStringLiteral("Zelvo im Ordner %1\n").arg(folder) + kToolTip;
    if (m_icon)
        m_icon->setToolTip(m_heading);
}

void TrayIcon::show()
{
    if (!m_icon)
        return;
    m_shownWithoutTray = !m_trayAvailable();
    m_icon->show();
}

void TrayIcon::remove()
{
    if (!m_icon)
        return;
    m_icon->hide();
    delete m_icon;
}

bool TrayIcon::canHideWindow()
{
    const bool available = m_icon && m_trayAvailable();
    if (TrayDecision::forMinimise(available) == TrayDecision::Minimise::PlainMinimise)
        return false;
    if (m_shownWithoutTray && m_icon->isVisible()) {
        // Shown again, the icon goes into the tray that exists now.
        m_icon->hide();
        m_icon->show();
        m_shownWithoutTray = false;
    }
    return true;
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason)
{
    switch (TrayDecision::forActivation(reason)) {
    case TrayDecision::Activation::ShowWindow:
        emit showWindowRequested();
        break;
    case TrayDecision::Activation::PopUpMenu:
        if (m_menu)
            m_menu->popup(QCursor::pos());
        break;
    case TrayDecision::Activation::Nothing:
        break;
    }
}
