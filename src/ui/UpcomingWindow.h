#pragma once

#include <QWidget>

class Engine;
class QTreeWidget;

// "Demnächst": the next reminders of every list and calendar for seven days
// (time, box, kind, text, source), read again each time it is shown.
class UpcomingWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kDays = 7;

    explicit UpcomingWindow(Engine *engine, QWidget *parent = nullptr);
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    Engine *m_engine;
    QTreeWidget *m_table;
};
