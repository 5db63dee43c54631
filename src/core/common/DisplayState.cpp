#include "common/DisplayState.h"

DisplayState::DisplayState(QObject *parent)
    : QObject(parent)
{
}

void DisplayState::setClockText(const QString &text)
{
    if (text == m_clockText)
        return;
    m_clockText = text;
    emit clockTextChanged(text);
}

void DisplayState::showInfo(const QString &text)
{
    m_infoText = text;
    m_infoVisible = true;
    emit infoChanged();
}

void DisplayState::hideInfo()
{
    m_infoText.clear();
    m_infoVisible = false;
    emit infoChanged();
}

void DisplayState::setBoxStatus(const QString &status)
{
    if (status == m_boxStatus)
        return;
    m_boxStatus = status;
    emit boxStatusChanged(status);
}

bool DisplayState::boxIsOn(int box) const
{
    return box >= 1 && box <= m_boxStatus.size() && m_boxStatus.at(box - 1) == QLatin1Char('1');
}

int DisplayState::lampColor(int box) const
{
    return (box >= 1 && box <= 4) ? m_lamps[box - 1] : kLampRed;
}

void DisplayState::setLampColor(int box, int color)
{
    if (box < 1 || box > 4 || m_lamps[box - 1] == color)
        return;
    m_lamps[box - 1] = color;
    emit lampColorChanged(box, color);
}
