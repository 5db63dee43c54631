#include "SettingsDialog.h"

#include "WebPageTab.h"
#include "WindowGeometry.h"
#include "boxes/BoxListSource.h"
#include "engine/Engine.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// A row of form; the spin box's lowest value reads as special.
QSpinBox *addSpinRow(QFormLayout *form, const QString &label, const QString &name, int min, int max,
                     const QString &suffix, const QString &special)
{
    auto *spin = new QSpinBox(form->parentWidget());
    spin->setObjectName(name);
    spin->setRange(min, max);
    spin->setSuffix(suffix);
    spin->setSpecialValueText(special);
    form->addRow(label, spin);
    return spin;
}

// A display time: the lowest value of the box stands for "unset".
std::optional<int> displaySeconds(const QSpinBox *spin)
{
    return spin->value() == spin->minimum() ? std::nullopt : std::optional<int>(spin->value());
}

} // namespace

SettingsDialog::SettingsDialog(Engine *engine, WebPage *page, QWidget *parent)
    : QDialog(parent)
    , m_engine(engine)
{
    setObjectName(QStringLiteral("einstellungen"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setWindowIcon(QIcon(QStringLiteral(":/network.svg")));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowGeometry::dialogFont());
    auto *layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("Reiter"));
    m_tabs->addTab(buildBoxesTab(), QStringLiteral("Boxen und Meldungen"));
    if (page) {
        m_webPage = new WebPageTab(page, m_tabs);
        m_tabs->addTab(m_webPage, QStringLiteral("Webseite"));
    }
    layout->addWidget(m_tabs);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *save = buttons->addButton(QStringLiteral("Speichern && Schließen"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("Speichern"));
    save->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Abbrechen"));
    connect(save, &QPushButton::clicked, this, &SettingsDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    // As large as the controls want, also when the QR code comes or goes.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    load();
    WindowGeometry::centreOnScreen(this);
}

void SettingsDialog::showWebPageTab()
{
    if (m_webPage)
        m_tabs->setCurrentWidget(m_webPage);
}

QWidget *SettingsDialog::buildBoxesTab()
{
    auto *tab = new QWidget;
    tab->setObjectName(QStringLiteral("Boxen"));
    auto *layout = new QVBoxLayout(tab);

    auto *logins = new QGroupBox(QStringLiteral("Anmeldung an den Boxen (nur wenn die Box sie verlangt)"), tab);
    logins->setObjectName(QStringLiteral("Anmeldung"));
    auto *grid = new QGridLayout(logins);
    grid->addWidget(new QLabel(QStringLiteral("Benutzer"), logins), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Passwort"), logins), 0, 2);
    for (int i = 0; i < BoxList::kBoxes; ++i) {
        const int row = i + 1;
        auto *name = new QLabel(QStringLiteral("%1. D-Box 2").arg(i + 1), logins);
        name->setObjectName(QStringLiteral("Box_%1").arg(i));
        grid->addWidget(name, row, 0);
        m_users[i] = new QLineEdit(logins);
        m_users[i]->setObjectName(QStringLiteral("Benutzer_%1").arg(i));
        grid->addWidget(m_users[i], row, 1);
        m_passwords[i] = new QLineEdit(logins);
        m_passwords[i]->setObjectName(QStringLiteral("Passwort_%1").arg(i));
        m_passwords[i]->setEchoMode(QLineEdit::Password);
        grid->addWidget(m_passwords[i], row, 2);
        m_checks[i] = new QPushButton(QStringLiteral("Prüfen"), logins);
        m_checks[i]->setObjectName(QStringLiteral("Pruefen_%1").arg(i));
        m_checks[i]->setAutoDefault(false);
        connect(m_checks[i], &QPushButton::clicked, this, [this, i] { checkLogin(i + 1); });
        grid->addWidget(m_checks[i], row, 3);
        m_checkResults[i] = new QLabel(logins);
        m_checkResults[i]->setObjectName(QStringLiteral("Ergebnis_%1").arg(i));
        m_checkResults[i]->setMinimumWidth(220);
        m_checkResults[i]->setWordWrap(true);
        grid->addWidget(m_checkResults[i], row, 4);
    }
    layout->addWidget(logins);

    const int maxHold = ZelvoSettings::kMaxHoldMinutes;
    const int maxShown = ZelvoSettings::kMaxDisplaySeconds;
    auto *hold = new QGroupBox(QStringLiteral("Zurückhalten, solange die Box im Standby oder aus ist, höchstens"), tab);
    hold->setObjectName(QStringLiteral("Zurueckhalten"));
    auto *holdForm = new QFormLayout(hold);
    const QString minutes = QStringLiteral(" Min."), notHeld = QStringLiteral("nicht zurückhalten");
    m_reminderHold = addSpinRow(holdForm, QStringLiteral("Erinnerungen (ab ihrer Zeit):"), QStringLiteral("Erinnerungen"),
                                0, maxHold, minutes, notHeld);
    m_noticeHold = addSpinRow(holdForm, QStringLiteral("Statusmeldungen:"), QStringLiteral("Statusmeldungen"), 0,
                              maxHold, minutes, notHeld);
    m_textHold = addSpinRow(holdForm, QStringLiteral("Texte und zelvo send:"), QStringLiteral("Texte"), 0, maxHold,
                            minutes, notHeld);
    layout->addWidget(hold);

    auto *shown = new QGroupBox(QStringLiteral("Anzeigedauer auf dem Fernseher"), tab);
    shown->setObjectName(QStringLiteral("Anzeigedauer"));
    auto *shownForm = new QFormLayout(shown);
    const QString asTheBoxDoes = QStringLiteral("wie die Box es hält");
    m_popupSeconds = addSpinRow(shownForm, QStringLiteral("Popup:"), QStringLiteral("Popup"), 0, maxShown,
                                QStringLiteral(" s"), asTheBoxDoes);
    m_messageSeconds = addSpinRow(shownForm, QStringLiteral("Message (0 s: bis sie geschlossen wird):"),
                                  QStringLiteral("Message"), -1, maxShown, QStringLiteral(" s"), asTheBoxDoes);
    m_messageSeconds->setToolTip(QStringLiteral("0 s: bis jemand sie auf dem Fernseher schließt"));
    layout->addWidget(shown);

    auto *closing = new QGroupBox(QStringLiteral("Beim Schließen des Fensters"), tab);
    closing->setObjectName(QStringLiteral("Schliessen"));
    auto *closingLayout = new QVBoxLayout(closing);
    m_closeEnds = new QRadioButton(QStringLiteral("Zelvo beenden"), closing);
    m_closeEnds->setObjectName(QStringLiteral("Beenden"));
    m_closeRunsOn = new QRadioButton(QStringLiteral("im Infobereich weiterlaufen"), closing);
    m_closeRunsOn->setObjectName(QStringLiteral("Weiterlaufen"));
    closingLayout->addWidget(m_closeEnds);
    closingLayout->addWidget(m_closeRunsOn);
    layout->addWidget(closing);
    return tab;
}

void SettingsDialog::load()
{
    m_engine->settings()->check(); // as the file is now
    const ZelvoSettings::Editable v = m_engine->settings()->editable();
    const BoxList boxes = m_engine->boxList()->boxes();
    for (int i = 0; i < BoxList::kBoxes; ++i) {
        m_users[i]->setText(v.logins[i].user);
        m_passwords[i]->setText(v.logins[i].password);
        // A box without an address has nothing to be asked.
        const bool configured = boxes.namesAddress(i + 1);
        m_checks[i]->setEnabled(configured);
        if (!configured)
            m_checkResults[i]->setText(QStringLiteral("nicht eingerichtet"));
    }
    m_reminderHold->setValue(v.reminderHoldMinutes);
    m_noticeHold->setValue(v.noticeHoldMinutes);
    m_textHold->setValue(v.textHoldMinutes);
    m_popupSeconds->setValue(v.popupDisplaySeconds.value_or(m_popupSeconds->minimum()));
    m_messageSeconds->setValue(v.messageDisplaySeconds.value_or(m_messageSeconds->minimum()));
    (v.closeKeepsRunning ? m_closeRunsOn : m_closeEnds)->setChecked(true);
}

ZelvoSettings::Editable SettingsDialog::values() const
{
    ZelvoSettings::Editable v;
    for (int i = 0; i < BoxList::kBoxes; ++i)
        v.logins[i] = {m_users[i]->text().trimmed(), m_passwords[i]->text()};
    v.reminderHoldMinutes = m_reminderHold->value();
    v.noticeHoldMinutes = m_noticeHold->value();
    v.textHoldMinutes = m_textHold->value();
    v.popupDisplaySeconds = displaySeconds(m_popupSeconds);
    v.messageDisplaySeconds = displaySeconds(m_messageSeconds);
    v.closeKeepsRunning = m_closeRunsOn->isChecked();
    return v;
}

QString SettingsDialog::checkText(LoginCheck::Verdict verdict, const QString &error)
{
    switch (verdict) {
    case LoginCheck::Verdict::Accepted:
        return QStringLiteral("Anmeldung klappt: die Box hat geantwortet");
    case LoginCheck::Verdict::Refused:
        return QStringLiteral("Anmeldung abgelehnt: Benutzer oder Passwort stimmt nicht");
    case LoginCheck::Verdict::NoAnswer:
        break;
    }
    return QStringLiteral("Keine Antwort von der Box: ") + error;
}

void SettingsDialog::checkLogin(int box)
{
    const int i = box - 1;
    delete m_running[i];
    m_checkResults[i]->setText(QStringLiteral("wird geprüft …"));
    const QString address = m_engine->boxList()->boxes().address(box);
    auto *check = new LoginCheck(address, values().logins[i], m_engine->httpPort(), this);
    m_running[i] = check;
    connect(check, &LoginCheck::done, this, [this, i, check](LoginCheck::Verdict verdict, const QString &error) {
        m_checkResults[i]->setText(checkText(verdict, error));
        check->deleteLater();
    });
}

void SettingsDialog::save()
{
    // Through the engine's settings, which announce what changed at once.
    m_saveError = m_engine->settings()->setEditable(values());
    if (!WindowGeometry::saved(this, ZelvoSettings::kFileName, m_saveError))
        return;
    // The page's settings too, when they changed; what failed is said on its tab.
    if (m_webPage && m_webPage->hasChanges() && !m_webPage->apply()) {
        showWebPageTab();
        return;
    }
    accept();
}
