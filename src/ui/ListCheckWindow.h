#pragma once

#include <QDir>
#include <QWidget>

class Clock;
class QPlainTextEdit;
class QPushButton;

// "Listen prüfen": zelvo-check's report for the working folder, so that
// nobody needs a terminal to learn why a reminder did not come. The check
// runs beside the user interface, as it may look up box names.
class ListCheckWindow : public QWidget
{
    Q_OBJECT
public:
    ListCheckWindow(const QDir &folder, const Clock *clock, QWidget *parent = nullptr);

    QString report() const;

public slots:
    // Checks the folder again.
    void check();

signals:
    void checked();

private:
    QDir m_folder;
    const Clock *m_clock;
    QPlainTextEdit *m_report = nullptr;
    QPushButton *m_again = nullptr;
};
