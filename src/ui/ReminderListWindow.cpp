#include "ReminderListWindow.h"

#include "boxes/BoxListSource.h"
#include "boxes/Delivery.h"
#include "boxes/SendHandle.h"
#include "boxes/SendResultText.h"
#include "common/BoxStateText.h"
#include "common/Clock.h"
#include "engine/Engine.h"
#include "listedit/ReminderListEdit.h"
#include "ReminderRowDialog.h"
#include "WindowGeometry.h"

#include <QCloseEvent>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QColor kNeverColour(176, 0, 0);

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

QString ReminderListWindow::listName(ReminderListKind list)
{
    switch (list) {
    case ReminderListKind::Daily:
        return QStringLiteral("tgl. Erinnerungen");
    case ReminderListKind::Weekly:
        return QStringLiteral("Wochen Erinnerungen");
    case ReminderListKind::Dated:
        break;
    }
    return QStringLiteral("Einzel Erinnerungen");
}

ReminderListWindow::ReminderListWindow(Engine *engine, ReminderListKind list, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_engine(engine)
    , m_list(list)
{
    setObjectName(QStringLiteral("Erinnerungsliste"));
    setWindowTitle(QStringLiteral("%1 - %2").arg(listName(list), ReminderLayout::fileName(list)));
    setWindowIcon(QIcon(QStringLiteral(":/germany.svg")));
    setFont(WindowGeometry::dialogFont());
    resize(720, 360);

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("Tabelle"));
    m_table->setColumnCount(CheckColumn + 1);
    const QString first = list == ReminderListKind::Weekly ? QStringLiteral("Tag")
        : list == ReminderListKind::Dated                  ? QStringLiteral("Datum")
                                                           : QString();
    m_table->setHorizontalHeaderLabels({first, QStringLiteral("Uhrzeit"), QStringLiteral("Termin"), QStringLiteral("Art"),
                                        QStringLiteral("Box"), QStringLiteral("Text"), QStringLiteral("Prüfung")});
    m_table->setColumnHidden(DayOrDateColumn, list == ReminderListKind::Daily);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->setColumnWidth(DayOrDateColumn, 80);
    m_table->setColumnWidth(TriggerColumn, 52);
    m_table->setColumnWidth(EventColumn, 52);
    m_table->setColumnWidth(KindColumn, 60);
    m_table->setColumnWidth(BoxColumn, 36);
    m_table->setColumnWidth(TextColumn, 220);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &ReminderListWindow::selectedRowChanged);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &ReminderListWindow::changeRow);

    auto *add = button(QStringLiteral("Neu"), QStringLiteral("Neu…"), this);
    m_change = button(QStringLiteral("Aendern"), QStringLiteral("Ändern…"), this);
    m_duplicate = button(QStringLiteral("Duplizieren"), QStringLiteral("Duplizieren"), this);
    m_delete = button(QStringLiteral("Loeschen"), QStringLiteral("Löschen"), this);
    m_send = button(QStringLiteral("JetztSenden"), QStringLiteral("Jetzt senden"), this);
    m_save = button(QStringLiteral("Speichern"), QStringLiteral("Speichern"), this);
    connect(add, &QPushButton::clicked, this, &ReminderListWindow::addRow);
    connect(m_change, &QPushButton::clicked, this, &ReminderListWindow::changeRow);
    connect(m_duplicate, &QPushButton::clicked, this, &ReminderListWindow::duplicateRow);
    connect(m_delete, &QPushButton::clicked, this, &ReminderListWindow::deleteRow);
    connect(m_send, &QPushButton::clicked, this, &ReminderListWindow::sendNow);
    connect(m_save, &QPushButton::clicked, this, &ReminderListWindow::save);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setWordWrap(true);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {add, m_change, m_duplicate, m_delete, m_send})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(m_save);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_table);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    // A list saved elsewhere is replaced by a rename, which the folder sees.
    m_watcher = new QFileSystemWatcher(this);
    m_watcher->addPath(engine->folder().absolutePath());
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &ReminderListWindow::followDisk);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &ReminderListWindow::followDisk);

    reload();
    WindowGeometry::centreOnScreen(this);
}

void ReminderListWindow::reload()
{
    m_doc = ReminderListDocument::load(m_engine->folder(), m_list);
    if (!m_watcher->files().contains(m_doc.path()) && m_doc.status() == TextFile::Status::Ok)
        m_watcher->addPath(m_doc.path());
    showRows();
    say(m_doc.status() == TextFile::Status::Unreadable
            ? QStringLiteral("%1 %2").arg(ReminderLayout::fileName(m_list), m_doc.error())
            : QString());
}

void ReminderListWindow::followDisk()
{
    // An open form edits a line of the state read: that state stays until it closes.
    if (m_doc.modified() || m_form || ReminderListDocument::versionOnDisk(m_engine->folder(), m_list) == m_doc.version())
        return;
    const int line = selectedLine();
    reload();
    if (line > 0 && line <= m_rows.size())
        m_table->selectRow(line - 1);
    say(QStringLiteral("%1 wurde außerhalb dieses Fensters geändert; der neue Stand wird gezeigt.")
            .arg(ReminderLayout::fileName(m_list)));
}

void ReminderListWindow::showRows()
{
    const int selected = selectedLine();
    m_rows = m_doc.rows(m_engine->boxList()->boxes(), m_engine->clock()->now());
    m_table->setRowCount(int(m_rows.size()));
    for (int i = 0; i < m_rows.size(); ++i) {
        const ReminderListDocument::Row &row = m_rows.at(i);
        QStringList cells(CheckColumn + 1);
        if (row.fields) {
            const ReminderFields &f = *row.fields;
            cells[DayOrDateColumn] = m_list == ReminderListKind::Dated
                ? QDate::fromString(f.date, QStringLiteral("dd-MM-yyyy")).toString(QStringLiteral("dd.MM.yyyy"))
                : f.day;
            cells[TriggerColumn] = f.trigger;
            cells[EventColumn] = f.event;
            cells[KindColumn] = f.kind == MessageKind::Popup ? QStringLiteral("Popup") : QStringLiteral("Message");
            cells[BoxColumn] = QString::number(f.box);
            cells[TextColumn] = f.text;
        } else {
            cells[TextColumn] = row.raw;
        }
        QStringList check;
        if (!row.reason.isEmpty())
            check << row.reason;
        check += row.hints;
        cells[CheckColumn] = check.join(QStringLiteral("; "));
        for (int c = 0; c <= CheckColumn; ++c) {
            auto *item = new QTableWidgetItem(cells.at(c));
            if (!row.fields)
                item->setForeground(Qt::gray);
            else if (c == CheckColumn && !row.fires)
                item->setForeground(kNeverColour);
            if (c == CheckColumn || c == TextColumn)
                item->setToolTip(cells.at(c));
            m_table->setItem(i, c, item);
        }
    }
    m_table->setVerticalHeaderLabels([this] {
        QStringList lines;
        for (const ReminderListDocument::Row &row : m_rows)
            lines << QString::number(row.line);
        return lines;
    }());
    if (selected > 0 && selected <= m_rows.size())
        m_table->selectRow(selected - 1);
    m_save->setEnabled(m_doc.modified());
    selectedRowChanged();
}

int ReminderListWindow::selectedLine() const
{
    const QList<QTableWidgetSelectionRange> ranges = m_table->selectedRanges();
    return ranges.isEmpty() ? 0 : ranges.first().topRow() + 1;
}

const ReminderListDocument::Row *ReminderListWindow::selectedRow() const
{
    const int line = selectedLine();
    return line > 0 && line <= m_rows.size() ? &m_rows.at(line - 1) : nullptr;
}

void ReminderListWindow::selectedRowChanged()
{
    const ReminderListDocument::Row *row = selectedRow();
    m_change->setEnabled(row && row->editable);
    m_delete->setEnabled(row && row->editable);
    m_duplicate->setEnabled(row && row->fields);
    m_send->setEnabled(row && row->fields);
}

void ReminderListWindow::say(const QString &text)
{
    m_status->setText(text);
}

void ReminderListWindow::openForm(const ReminderFields &fields, int line, bool insert)
{
    if (m_form)
        return;
    m_form = new ReminderRowDialog(m_list, fields, m_engine->boxList()->boxes(), m_engine->clock()->now(), this);
    m_form->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_form, &QDialog::accepted, this, [this, line, insert] {
        const ReminderFields f = m_form->fields();
        const QString why = insert ? m_doc.insert(line, f) : m_doc.change(line, f);
        showRows();
        if (why.isEmpty())
            m_table->selectRow(line - 1);
        say(why);
    });
    connect(m_form, &QObject::destroyed, this, &ReminderListWindow::followDisk, Qt::QueuedConnection);
    m_form->open();
}

void ReminderListWindow::addRow()
{
    openForm(ReminderRowDialog::fresh(m_list, m_engine->clock()->now()), m_doc.lineCount() + 1, true);
}

void ReminderListWindow::changeRow()
{
    const ReminderListDocument::Row *row = selectedRow();
    if (!row || !row->editable)
        return;
    // A line that is no reminder is replaced by one.
    openForm(row->fields ? *row->fields : ReminderRowDialog::fresh(m_list, m_engine->clock()->now()), row->line, false);
}

void ReminderListWindow::duplicateRow()
{
    const ReminderListDocument::Row *row = selectedRow();
    if (!row || !row->fields)
        return;
    const int line = row->line + 1;
    say(m_doc.insert(line, *row->fields));
    showRows();
    m_table->selectRow(line - 1);
}

void ReminderListWindow::deleteRow()
{
    const ReminderListDocument::Row *row = selectedRow();
    if (!row)
        return;
    say(m_doc.remove(row->line));
    showRows();
}

void ReminderListWindow::sendNow()
{
    const ReminderListDocument::Row *row = selectedRow();
    if (!row || !row->fields)
        return;
    SendHandle *handle = ReminderListEdit::sendNow(m_engine->sender(), m_list, *row->fields, m_engine->clock()->now());
    const int number = row->fields->box;
    const QString box = BoxStateText::boxName(number);
    say(QStringLiteral("%1: wird gesendet …").arg(box));
    connect(handle, &SendHandle::finished, this, [this, box, number](const SendResult &result) {
        say(box + QStringLiteral(": ") + SendResultText::outcome(result, number));
    });
}

void ReminderListWindow::save()
{
    QString version, error;
    switch (m_doc.save(&version, &error)) {
    case ReminderListDocument::SaveOutcome::Saved:
        showRows();
        say(QStringLiteral("%1 gespeichert.").arg(ReminderLayout::fileName(m_list)));
        break;
    case ReminderListDocument::SaveOutcome::Stale:
        WindowGeometry::openQuestion(
            this,
            QStringLiteral("%1 wurde geändert, seit dieses Fenster die Datei gelesen hat (in einem Texteditor, auf der "
                           "Seite oder in einem anderen Fenster). Ihre Änderungen wurden nicht gespeichert.\n\n"
                           "Den neuen Stand laden? Die Änderungen in diesem Fenster gehen dabei verloren.")
                .arg(ReminderLayout::fileName(m_list)),
            QStringLiteral("Neuen Stand laden"), QStringLiteral("Zurück"), [this](bool load) {
                if (load)
                    reload();
            });
        break;
    case ReminderListDocument::SaveOutcome::Failed:
        WindowGeometry::openMessage(this, QMessageBox::Warning,
                                    QStringLiteral("%1 wurde nicht gespeichert, die Datei ist unverändert: %2")
                                        .arg(ReminderLayout::fileName(m_list), error));
        break;
    }
}

void ReminderListWindow::closeEvent(QCloseEvent *event)
{
    if (!m_doc.modified() || m_closing) {
        event->accept();
        return;
    }
    event->ignore();
    WindowGeometry::openQuestion(this, QStringLiteral("Die Änderungen an %1 sind nicht gespeichert.")
                                           .arg(ReminderLayout::fileName(m_list)),
                                 QStringLiteral("Verwerfen"), QStringLiteral("Zurück"), [this](bool drop) {
                                     if (!drop)
                                         return;
                                     m_closing = true;
                                     close();
                                 });
}
