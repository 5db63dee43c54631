#pragma once

#include "common/BoxCount.h"
#include "common/BoxState.h"

#include <QObject>
#include <QString>

#include <array>

// The program's live status, as the main window shows it: the clock text,
// the information panel, whether each box is on (its lamp, and the box
// status text the send step reads). The logic writes here; the window only
// mirrors it and picks the colours.
class StatusBoard : public QObject
{
    Q_OBJECT
public:
    explicit StatusBoard(QObject *parent = nullptr);

    QString clockText() const { return m_clockText; }
    void setClockText(const QString &text);

    // The information panel: one way to show it, one way to hide it. While
    // there is a folder notice, hiding shows it instead of a blank panel.
    void showInfo(const QString &text);
    void hideInfo();
    bool infoVisible() const { return m_infoVisible; }
    QString infoText() const { return m_infoText; }

    // One character "1"/"0" per box, box 1 first; all "0" before the first
    // watch tick.
    QString boxStatus() const { return m_boxStatus; }
    void setBoxStatus(const QString &status);
    bool boxIsOn(int box) const; // box 1..BoxCount::kBoxes

    // What box 1..BoxCount::kBoxes was last found to be; Unknown before the
    // watch has judged it (the lamp then shows off). A box that is not
    // configured keeps its lamp as it was.
    BoxState lamp(int box) const;
    void setLamp(int box, BoxState state);

    // What the folder lacks and where to read about it (DefaultFolder),
    // said until the files are there; empty when nothing is missing.
    QString folderNotice() const { return m_folderNotice; }
    void setFolderNotice(const QString &text);
    // The calendars that cannot be fetched (CalendarTable::fetchNotice).
    void setCalendarNotice(const QString &text);
    // Both, one under the other: what the panel shows when it has nothing
    // else to show, and the tray tip's first lines.
    QString notice() const;

    // A word on box's held messages for its lamp's tip (why they stay);
    // empty when there is none. A change is a lampChanged().
    QString lampNote(int box) const;
    void setLampNote(int box, const QString &note);

    // How many messages wait for their boxes (the tray tip says it).
    int heldCount() const { return m_heldCount; }
    void setHeldCount(int count);
    // How many messages wait for somebody to confirm them (the tray tip says it).
    int questionCount() const { return m_questionCount; }
    void setQuestionCount(int count);

signals:
    void clockTextChanged(const QString &text);
    void infoChanged(); // shown, hidden or new text
    void boxStatusChanged(const QString &status);
    void lampChanged(int box, BoxState state);
    void heldCountChanged(int count);
    void questionCountChanged(int count);
    void noticeChanged(const QString &notice);

private:
    QString m_clockText = QStringLiteral("00:00:00");
    QString m_infoText;
    bool m_infoVisible = false;
    QString m_boxStatus = QString(BoxCount::kBoxes, QLatin1Char('0'));
    std::array<BoxState, BoxCount::kBoxes> m_lamps{};
    std::array<QString, BoxCount::kBoxes> m_lampNotes;
    int m_heldCount = 0;
    int m_questionCount = 0;
    void setNotices(const QString &folder, const QString &calendar);

    QString m_folderNotice;
    QString m_calendarNotice;
};
