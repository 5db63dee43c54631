#pragma once

#include "boxes/BoxList.h"
#include "boxes/LoginCheck.h"
#include "common/ZelvoSettings.h"

#include <QDialog>
#include <QPointer>

#include <array>

class Engine;
class WebPage;
class WebPageTab;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

// "Einstellungen…": what zelvo.ini holds besides the window sizes: each
// box's login with a button that tries it on the box, how long messages
// wait for a box, how long boxes show them, and what closing the main
// window does; with a page, its tab "Webseite" (WebPageTab). Saving writes
// zelvo.ini (and the page's settings when they changed) and closes; the
// next question or message to a box reads it. The close box keeps the file
// as it is.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(Engine *engine, WebPage *page = nullptr, QWidget *parent = nullptr);

    // Brings the tab "Webseite" to the front (none without a page).
    void showWebPageTab();

    // The values as the controls show them now.
    ZelvoSettings::Editable values() const;
    // The reason of the last failed save, empty after a good one.
    QString lastSaveError() const { return m_saveError; }

    // The words beside "Prüfen" for a check's verdict.
    static QString checkText(LoginCheck::Verdict verdict, const QString &error);

public slots:
    void checkLogin(int box); // "Prüfen"
    void save();

private:
    QWidget *buildBoxesTab();
    void load();

    Engine *m_engine;
    QTabWidget *m_tabs = nullptr;
    WebPageTab *m_webPage = nullptr;
    std::array<QLineEdit *, BoxList::kBoxes> m_users{};
    std::array<QLineEdit *, BoxList::kBoxes> m_passwords{};
    std::array<QPushButton *, BoxList::kBoxes> m_checks{};
    std::array<QLabel *, BoxList::kBoxes> m_checkResults{};
    std::array<QPointer<LoginCheck>, BoxList::kBoxes> m_running{};
    QSpinBox *m_reminderHold = nullptr;
    QSpinBox *m_noticeHold = nullptr;
    QSpinBox *m_textHold = nullptr;
    QSpinBox *m_popupSeconds = nullptr;
    QSpinBox *m_messageSeconds = nullptr;
    QRadioButton *m_closeEnds = nullptr;
    QRadioButton *m_closeRunsOn = nullptr;
    QString m_saveError;
};
