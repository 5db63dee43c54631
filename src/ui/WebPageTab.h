#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class WebPage;

// The tab "Webseite" of "Einstellungen…": switches the page on the home
// network on or off, sets its port and password, and shows the address to
// type on a phone, with a QR code of it for the phone's camera. What it sets
// goes to zelvo.ini's [Webseite] with "Übernehmen" (or the dialog's save);
// the page then listens anew.
class WebPageTab : public QWidget
{
    Q_OBJECT
public:
    explicit WebPageTab(WebPage *page, QWidget *parent = nullptr);

    // Whether the controls say something zelvo.ini does not yet.
    bool hasChanges() const;
    // Writes and restarts the page; false (and why, shown) when it did not.
    bool apply();

private:
    void showAddresses();

    WebPage *m_page;
    QCheckBox *m_on;
    QSpinBox *m_port;
    QLineEdit *m_password;
    QLineEdit *m_again;
    QLabel *m_message;
    QLabel *m_addresses;
    QLabel *m_code;
};
