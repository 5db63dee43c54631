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
    m_lastDelivery = line;
    updateTip();
}

void TrayIcon::setHeldCount(int count)
{
    m_heldCount = count;
    updateTip();
}

void TrayIcon::setQuestionCount(int count)
{
    m_questionCount = count;
    updateTip();
}

void TrayIcon::setFolder(const QString &folder)
{
    m_heading = QStringLiteral("Zelvo im Ordner %1\n").arg(folder) + kToolTip;
    updateTip();
}

void TrayIcon::setNotice(const QString &text)
{
    m_notice = text;
    updateTip();
}

void TrayIcon::updateTip()
{
    if (!m_icon)
        return;
    QString tip = m_heading;
    if (!m_lastDelivery.isEmpty())
        tip += QLatin1Char('\n') + m_lastDelivery;
    if (m_heldCount > 0)
        tip += QLatin1Char('\n')
               + (m_heldCount == 1 ? QStringLiteral("1 Nachricht zurückgehalten (Box im Standby oder aus)")
                                   : QStringLiteral("%1 Nachrichten zurückgehalten (Box im Standby oder aus)")
                                         .arg(m_heldCount));
    if (m_questionCount > 0)
        tip += QLatin1Char('\n')
               + (m_questionCount == 1 ? QStringLiteral("1 Nachricht wartet auf Bestätigung")
                                       : QStringLiteral("%1 Nachrichten warten auf Bestätigung").arg(m_questionCount));
    m_icon->setToolTip(m_notice.isEmpty() ? tip : m_notice + QLatin1Char('\n') + tip);
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
