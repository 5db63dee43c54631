#pragma once

#include <QStringList>
#include <QWidget>

class QTextEdit;

// "Info": the version and a short note, in a modeless window that may stay
// open after the main window has gone.
class InfoWindow : public QWidget
{
    Q_OBJECT
public:
    // Client area in pixels (2955 x 2175 twips).
    static constexpr int kClientWidth = 197;
    static constexpr int kClientHeight = 145;

    static QStringList infoLines();

    explicit InfoWindow(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override; // Escape closes it

private:
    QTextEdit *m_text = nullptr; // Text1
};
