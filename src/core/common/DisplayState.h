#pragma once

#include <QObject>
#include <QString>

#include <array>

// What the main window shows of the running program: the clock label, the
// information panel on the television, the four status lamps and the box
// status text. The logic writes here; the window only mirrors it.
class DisplayState : public QObject
{
    Q_OBJECT
public:
    // Colour values with red in the lowest byte, as the lamps are described.
    static constexpr int kLampGreen = 65280;
    static constexpr int kLampRed = 255;

    explicit DisplayState(QObject *parent = nullptr);

    QString clockText() const { return m_clockText; }
    void setClockText(const QString &text);

    // The information panel: one way to show it, one way to hide it.
    void showInfo(const QString &text);
    void hideInfo();
    bool infoVisible() const { return m_infoVisible; }
    QString infoText() const { return m_infoText; }

    // Four characters "1"/"0", box 1 first; "0000" before the first watch tick.
    QString boxStatus() const { return m_boxStatus; }
    void setBoxStatus(const QString &status);
    bool boxIsOn(int box) const; // box 1..4

    int lampColor(int box) const; // box 1..4
    void setLampColor(int box, int color);

signals:
    void clockTextChanged(const QString &text);
    void infoChanged(); // shown, hidden or new text
    void boxStatusChanged(const QString &status);
    void lampColorChanged(int box, int color);

private:
    QString m_clockText = QStringLiteral("00:00:00");
    QString m_infoText;
    bool m_infoVisible = false;
    QString m_boxStatus = QStringLiteral("0000");
    std::array<int, 4> m_lamps{{kLampRed, kLampRed, kLampRed, kLampRed}};
};
