#pragma once

#include <QWidget>

// "Countdown setzen": the window for a timed message, laid out for a later
// version; nothing opens it yet and it does nothing.
class CountdownWindow : public QWidget
{
    Q_OBJECT
public:
    // Client area in pixels (4320 x 4080 twips).
    static constexpr int kClientWidth = 288;
    static constexpr int kClientHeight = 272;

    explicit CountdownWindow(QWidget *parent = nullptr);
};
