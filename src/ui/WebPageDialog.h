#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class WebPage;

// "Webseite…": switches the page on the home network on or off, sets its
// port and password, and shows the address to type on a phone, with a QR
// code of it for the phone's camera. What it sets goes to zelvo.ini's
// [Webseite]; the page then listens anew.
class WebPageDialog : public QDialog
{
    Q_OBJECT
public:
    explicit WebPageDialog(WebPage *page, QWidget *parent = nullptr);

private:
    void apply();
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
