#pragma once

#include "listedit/ReminderListDocument.h"
#include "ReminderRowDialog.h"

#include <QPointer>
#include <QWidget>

class Engine;
class QFileSystemWatcher;
class QLabel;
class QPushButton;
class QTableWidget;


// The editor of one reminder list: one row per line of the file, each
// checked, with buttons to add, change, duplicate and delete a reminder, to
// send one at once, and to save. The file stays the truth: the window saves
// only over the state it read, and follows changes made elsewhere while it
// holds no unsaved change.
class ReminderListWindow : public QWidget
{
    Q_OBJECT
public:
    enum Column { DayOrDateColumn, TriggerColumn, EventColumn, KindColumn, BoxColumn, TextColumn, CheckColumn };

    ReminderListWindow(Engine *engine, ReminderListKind list, QWidget *parent = nullptr);

    ReminderListKind list() const { return m_list; }
    // The form open now, if any.
    ReminderRowDialog *form() const { return m_form; }

    // "tgl. Erinnerungen", "Wochen Erinnerungen", "Einzel Erinnerungen"
    static QString listName(ReminderListKind list);

public slots:
    void addRow();
    void changeRow();
    void duplicateRow();
    void deleteRow();
    void sendNow();
    void save();
    // Reads the file again, dropping what was not saved.
    void reload();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showRows();
    void followDisk();
    void openForm(const ReminderFields &fields, int line, bool insert);
    void selectedRowChanged();
    int selectedLine() const;
    const ReminderListDocument::Row *selectedRow() const;
    void say(const QString &text);

    Engine *m_engine;
    ReminderListKind m_list;
    ReminderListDocument m_doc;
    QList<ReminderListDocument::Row> m_rows;
    QTableWidget *m_table = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_change = nullptr;
    QPushButton *m_duplicate = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_save = nullptr;
    QFileSystemWatcher *m_watcher = nullptr;
    QPointer<ReminderRowDialog> m_form;
    bool m_closing = false; // the user chose to drop unsaved changes
};
