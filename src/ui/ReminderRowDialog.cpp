#include "ReminderRowDialog.h"

#include "check/ReminderSchedule.h"
#include "listedit/ReminderListDocument.h"
#include "reminders/ReminderKeys.h"
#include "reminders/ReminderRecord.h"
#include "WindowGeometry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

const QString kDateForm = QStringLiteral("dd-MM-yyyy");
const QString kTimeForm = QStringLiteral("HH:mm");

// The nine day codes by name, in the order ReminderKeys lists them.
const char *const kDayNames[] = {"Montag",  "Dienstag", "Mittwoch",           "Donnerstag",         "Freitag",
                                 "Samstag", "Sonntag",  "Montag bis Freitag", "Samstag und Sonntag"};

QTimeEdit *timeEdit(const QString &name, QWidget *parent)
{
    auto *edit = new QTimeEdit(parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(kTimeForm);
    return edit;
}

} // namespace

ReminderFields ReminderRowDialog::fresh(ReminderListKind list, const QDateTime &now)
{
    ReminderFields f;
    f.trigger = now.time().toString(kTimeForm);
    f.event = f.trigger;
    f.kind = MessageKind::Popup;
    if (list == ReminderListKind::Weekly)
        f.day = QStringLiteral("mf");
    if (list == ReminderListKind::Dated)
        f.date = now.date().toString(kDateForm);
    return f;
}

ReminderRowDialog::ReminderRowDialog(ReminderListKind list, const ReminderFields &fields, const BoxList &boxes,
                                     const QDateTime &now, QWidget *parent)
    : QDialog(parent)
    , m_list(list)
    , m_boxes(boxes)
    , m_now(now)
{
    setObjectName(QStringLiteral("Erinnerung"));
    setWindowTitle(QStringLiteral("Erinnerung - %1").arg(ReminderLayout::fileName(list)));
    setFont(WindowGeometry::dialogFont());
    auto *form = new QFormLayout;

    if (list == ReminderListKind::Weekly) {
        m_day = new QComboBox(this);
        m_day->setObjectName(QStringLiteral("Tag"));
        const QStringList &codes = ReminderKeys::dayCodes();
        for (int i = 0; i < codes.size(); ++i)
            m_day->addItem(QStringLiteral("%1 (%2)").arg(QLatin1String(kDayNames[i]), codes.at(i)), codes.at(i));
        m_day->setCurrentIndex(qMax(0, m_day->findData(fields.day)));
        form->addRow(QStringLiteral("Tag:"), m_day);
    }
    if (list == ReminderListKind::Dated) {
        m_date = new QDateEdit(this);
        m_date->setObjectName(QStringLiteral("Datum"));
        m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        m_date->setCalendarPopup(true);
        m_date->setDate(QDate::fromString(fields.date, kDateForm));
        form->addRow(QStringLiteral("Datum:"), m_date);
    }
    m_trigger = timeEdit(QStringLiteral("Uhrzeit"), this);
    const bool everyHour = fields.trigger.startsWith(QLatin1String("??:"));
    m_trigger->setTime(QTime::fromString(everyHour ? QStringLiteral("00") + fields.trigger.mid(2) : fields.trigger, kTimeForm));
    form->addRow(QStringLiteral("Erinnern um:"), m_trigger);
    if (list == ReminderListKind::Dated) {
        m_everyHour = new QCheckBox(QStringLiteral("zu jeder Stunde (nur die Minute gilt)"), this);
        m_everyHour->setObjectName(QStringLiteral("JedeStunde"));
        m_everyHour->setChecked(everyHour);
        form->addRow(QString(), m_everyHour);
    }
    m_event = timeEdit(QStringLiteral("Termin"), this);
    const QTime event = QTime::fromString(fields.event, kTimeForm);
    if (!event.isValid())
        m_eventAsWritten = fields.event;
    m_event->setTime(event.isValid() ? event : m_trigger->time());
    form->addRow(QStringLiteral("Termin um:"), m_event);

    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("Art"));
    m_kind->addItem(QStringLiteral("Popup"));
    m_kind->addItem(QStringLiteral("Message"));
    m_kind->setCurrentIndex(fields.kind == MessageKind::Popup ? 0 : 1);
    form->addRow(QStringLiteral("Art:"), m_kind);

    m_box = new QComboBox(this);
    m_box->setObjectName(QStringLiteral("Box"));
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        m_box->addItem(QStringLiteral("Box %1").arg(box));
    m_box->setCurrentIndex(qBound(1, fields.box, BoxList::kBoxes) - 1);
    form->addRow(QStringLiteral("an:"), m_box);

    m_text = new QLineEdit(fields.text, this);
    m_text->setObjectName(QStringLiteral("Text"));
    m_text->setMinimumWidth(320);
    form->addRow(QStringLiteral("Text:"), m_text);

    m_check = new QLabel(this);
    m_check->setObjectName(QStringLiteral("Pruefung"));
    m_check->setWordWrap(true);
    m_check->setMinimumHeight(48);
    m_check->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *take = buttons->addButton(QStringLiteral("Übernehmen"), QDialogButtonBox::AcceptRole);
    take->setObjectName(QStringLiteral("Uebernehmen"));
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("Abbrechen"));
    connect(take, &QPushButton::clicked, this, &ReminderRowDialog::take);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_check);
    layout->addWidget(buttons);

    const auto changed = [this] { recheck(); };
    if (m_day)
        connect(m_day, &QComboBox::currentIndexChanged, this, changed);
    if (m_date)
        connect(m_date, &QDateEdit::dateChanged, this, changed);
    if (m_everyHour)
        connect(m_everyHour, &QCheckBox::toggled, this, changed);
    connect(m_trigger, &QTimeEdit::timeChanged, this, changed);
    connect(m_event, &QTimeEdit::timeChanged, this, [this] {
        m_eventTouched = true;
        recheck();
    });
    connect(m_kind, &QComboBox::currentIndexChanged, this, changed);
    connect(m_box, &QComboBox::currentIndexChanged, this, changed);
    connect(m_text, &QLineEdit::textChanged, this, changed);
    recheck();
}

ReminderFields ReminderRowDialog::fields() const
{
    ReminderFields f;
    if (m_day)
        f.day = m_day->currentData().toString();
    if (m_date)
        f.date = m_date->date().toString(kDateForm);
    f.trigger = m_trigger->time().toString(kTimeForm);
    if (m_everyHour && m_everyHour->isChecked())
        f.trigger = QStringLiteral("??") + f.trigger.mid(2);
    f.event = m_eventAsWritten.isEmpty() || m_eventTouched ? m_event->time().toString(kTimeForm) : m_eventAsWritten;
    f.kind = m_kind->currentIndex() == 0 ? MessageKind::Popup : MessageKind::Message;
    f.box = m_box->currentIndex() + 1;
    f.text = m_text->text();
    return f;
}

QString ReminderRowDialog::verdict() const
{
    return m_reason;
}

void ReminderRowDialog::recheck()
{
    const ReminderFields f = fields();
    m_refused = !f.refusal(m_list).isEmpty();
    const ReminderListDocument::Row row = ReminderListDocument::check(m_list, f, m_boxes, m_now);
    m_reason = row.fires ? QString() : row.reason;
    QString shown;
    if (row.fires) {
        ReminderSchedule::Lists only;
        only[int(m_list)].append(ReminderRecord(m_list, f.recordText(m_list)));
        const QList<DueReminder> due = ReminderSchedule::next(only, m_now, 1);
        shown = due.isEmpty() ? QStringLiteral("wird gesendet")
                              : QStringLiteral("wird gesendet, zuerst am %1")
                                    .arg(due.first().at.toString(QStringLiteral("dd.MM.yyyy 'um' HH:mm")));
    } else {
        shown = row.reason;
    }
    for (const QString &hint : row.hints)
        shown += QLatin1Char('\n') + hint;
    m_check->setText(shown);
    m_check->setStyleSheet(row.fires ? QString() : QStringLiteral("color: rgb(176,0,0);"));
}

void ReminderRowDialog::take()
{
    recheck();
    if (m_refused)
        return; // the reason stands in the form
    if (m_reason.isEmpty()) {
        accept();
        return;
    }
    WindowGeometry::openQuestion(this, QStringLiteral("Diese Erinnerung %1.\n\nTrotzdem übernehmen?").arg(m_reason),
                                 QStringLiteral("Trotzdem übernehmen"), QStringLiteral("Zurück"), [this](bool yes) {
                                     if (yes)
                                         accept();
                                 });
}
