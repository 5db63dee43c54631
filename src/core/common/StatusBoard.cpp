#include "common/StatusBoard.h"

StatusBoard::StatusBoard(QObject *parent)
    : QObject(parent)
{
}

void StatusBoard::setClockText(const QString &text)
{
    if (text == m_clockText)
        return;
    m_clockText = text;
    emit clockTextChanged(text);
}

void StatusBoard::showInfo(const QString &text)
{
    m_infoText = text;
    m_infoVisible = true;
    emit infoChanged();
}

void StatusBoard::hideInfo()
{
    m_infoText = notice();
    m_infoVisible = !m_infoText.isEmpty();
    emit infoChanged();
}

QString StatusBoard::notice() const
{
    if (m_folderNotice.isEmpty() || m_calendarNotice.isEmpty())
        return m_folderNotice + m_calendarNotice;
    return m_folderNotice + QLatin1Char('\n') + m_calendarNotice;
}

void StatusBoard::setFolderNotice(const QString &text)
{
    setNotices(text, m_calendarNotice);
}

void StatusBoard::setCalendarNotice(const QString &text)
{
    setNotices(m_folderNotice, text);
}

void StatusBoard::setNotices(const QString &folder, const QString &calendar)
{
    if (folder == m_folderNotice && calendar == m_calendarNotice)
        return;
    const bool panelShowsIt = !m_infoVisible || m_infoText == notice();
    m_folderNotice = folder;
    m_calendarNotice = calendar;
    if (panelShowsIt)
        hideInfo();
    emit noticeChanged(notice());
}

void StatusBoard::setBoxStatus(const QString &status)
{
    if (status == m_boxStatus)
        return;
    m_boxStatus = status;
    emit boxStatusChanged(status);
}

bool StatusBoard::boxIsOn(int box) const
{
    return box >= 1 && box <= m_boxStatus.size() && m_boxStatus.at(box - 1) == QLatin1Char('1');
}

BoxState StatusBoard::lamp(int box) const
{
    return (box >= 1 && box <= BoxCount::kBoxes) ? m_lamps[box - 1] : BoxState::Unknown;
}

void StatusBoard::setLamp(int box, BoxState state)
{
    if (box < 1 || box > BoxCount::kBoxes || m_lamps[box - 1] == state)
        return;
    m_lamps[box - 1] = state;
    emit lampChanged(box, state);
}

QString StatusBoard::lampNote(int box) const
{
    return (box >= 1 && box <= BoxCount::kBoxes) ? m_lampNotes[box - 1] : QString();
}

void StatusBoard::setLampNote(int box, const QString &note)
{
    if (box < 1 || box > BoxCount::kBoxes || m_lampNotes[box - 1] == note)
        return;
    m_lampNotes[box - 1] = note;
    emit lampChanged(box, m_lamps[box - 1]);
}

void StatusBoard::setHeldCount(int count)
{
    if (count == m_heldCount)
        return;
    m_heldCount = count;
    emit heldCountChanged(count);
}

void StatusBoard::setQuestionCount(int count)
{
    if (count == m_questionCount)
        return;
    m_questionCount = count;
    emit questionCountChanged(count);
}
