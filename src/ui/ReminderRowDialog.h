#pragma once

#include "boxes/BoxList.h"
#include "listedit/ReminderFields.h"

#include <QDateTime>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTimeEdit;

// The form for one reminder of a list: day code, date and times from
// controls that only take valid values, kind, box and text. Every change is
// checked by the checker zelvo-check uses; a reminder that can never fire
// is taken only after the user says so.
class ReminderRowDialog : public QDialog
{
    Q_OBJECT
public:
    ReminderRowDialog(ReminderListKind list, const ReminderFields &fields, const BoxList &boxes,
                      const QDateTime &now, QWidget *parent = nullptr);

    ReminderFields fields() const;
    // What the checker says now: empty when it fires.
    QString verdict() const;

    // A new reminder: today, this minute, a popup to box 1.
    static ReminderFields fresh(ReminderListKind list, const QDateTime &now);

public slots:
    // "Übernehmen": asks first when the reminder can never fire.
    void take();

private:
    void recheck();

    ReminderListKind m_list;
    BoxList m_boxes;
    QDateTime m_now;
    QString m_eventAsWritten; // an event time that is no clock time, kept until the control is touched
    bool m_eventTouched = false;
    QComboBox *m_day = nullptr;
    QDateEdit *m_date = nullptr;
    QCheckBox *m_everyHour = nullptr;
    QTimeEdit *m_trigger = nullptr;
    QTimeEdit *m_event = nullptr;
    QComboBox *m_kind = nullptr;
    QComboBox *m_box = nullptr;
    QLineEdit *m_text = nullptr;
    QLabel *m_check = nullptr;
    QString m_reason; // never-fires reason or refusal of the fields now
    bool m_refused = false;
};
