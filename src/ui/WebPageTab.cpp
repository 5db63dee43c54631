#include "WebPageTab.h"

#include "QrCode.h"
#include "common/ZelvoSettings.h"
#include "web/PasswordHash.h"
#include "web/WebPage.h"
#include "web/WebSettings.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

WebPageTab::WebPageTab(WebPage *page, QWidget *parent)
    : QWidget(parent)
    , m_page(page)
{
    setObjectName(QStringLiteral("Webseite"));
    const WebSettings settings(page->folder());
    m_on = new QCheckBox(QStringLiteral("Webseite im Heimnetz eingeschaltet"), this);
    m_on->setObjectName(QStringLiteral("an"));
    m_on->setChecked(settings.isOn());
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setRange(1, 65535);
    m_port->setValue(settings.port() != 0 ? settings.port() : WebSettings::kDefaultPort);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("passwort"));
    m_password->setEchoMode(QLineEdit::Password);
    m_again = new QLineEdit(this);
    m_again->setObjectName(QStringLiteral("passwort2"));
    m_again->setEchoMode(QLineEdit::Password);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("meldung"));
    m_message->setWordWrap(true);
    m_addresses = new QLabel(this);
    m_addresses->setObjectName(QStringLiteral("adressen"));
    m_addresses->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_code = new QLabel(this);
    m_code->setObjectName(QStringLiteral("qrcode"));
    m_code->setAlignment(Qt::AlignCenter);

    auto *form = new QFormLayout;
    form->addRow(m_on);
    form->addRow(QStringLiteral("Port:"), m_port);
    form->addRow(QStringLiteral("Neues Passwort:"), m_password);
    form->addRow(QStringLiteral("Noch einmal:"), m_again);
    auto *apply = new QPushButton(QStringLiteral("Übernehmen"), this);
    apply->setObjectName(QStringLiteral("uebernehmen"));
    apply->setAutoDefault(false);
    connect(apply, &QPushButton::clicked, this, &WebPageTab::apply);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(m_addresses);
    layout->addWidget(m_code);
    layout->addWidget(apply, 0, Qt::AlignRight);
    layout->addStretch();
    showAddresses();
}

bool WebPageTab::hasChanges() const
{
    const WebSettings settings(m_page->folder());
    const bool on = settings.isOn();
    return m_on->isChecked() != on || (on && m_port->value() != settings.port()) || !m_password->text().isEmpty()
           || !m_again->text().isEmpty();
}

bool WebPageTab::apply()
{
    if (m_password->text() != m_again->text()) {
        m_message->setText(QStringLiteral("Die beiden Passwörter sind verschieden."));
        return false;
    }
    WebSettings settings(m_page->folder());
    if (m_on->isChecked() && m_password->text().isEmpty() && settings.passwordHash().isEmpty()) {
        m_message->setText(QStringLiteral("Ohne Passwort bleibt die Webseite aus. Bitte ein Passwort setzen."));
        return false;
    }
    QString error = settings.setPort(m_on->isChecked() ? m_port->value() : 0);
    if (error.isEmpty() && !m_password->text().isEmpty())
        error = settings.setPasswordHash(PasswordHash::make(m_password->text()));
    m_password->clear();
    m_again->clear();
    if (error.isEmpty())
        error = m_page->restart();
    m_message->setText(error);
    showAddresses();
    return error.isEmpty();
}

void WebPageTab::showAddresses()
{
    m_password->setPlaceholderText(WebSettings(m_page->folder()).passwordHash().isEmpty()
                                       ? QStringLiteral("noch keins")
                                       : QStringLiteral("unverändert"));
    const QStringList urls = m_page->isRunning() ? m_page->addresses() : QStringList();
    m_addresses->setText(m_page->isRunning() ? QStringLiteral("Auf dem Telefon öffnen:\n") + urls.join(QLatin1Char('\n'))
                                             : QStringLiteral("Die Webseite ist aus."));
    const QPixmap code = urls.isEmpty() ? QPixmap() : QPixmap::fromImage(QrCode::of(urls.first()));
    m_code->setPixmap(code);
    // The whole code, never squeezed: a camera reads no squeezed one.
    m_code->setMinimumSize(code.size());
}
