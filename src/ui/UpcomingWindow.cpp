#include "UpcomingWindow.h"

#include "check/UpcomingReminders.h"
#include "engine/Engine.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

UpcomingWindow::UpcomingWindow(Engine *engine, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_engine(engine)
{
    setObjectName(QStringLiteral("upcoming"));
    setWindowTitle(QStringLiteral("Demnächst"));
    m_table = new QTreeWidget(this);
    m_table->setObjectName(QStringLiteral("upcomingTable"));
    m_table->setRootIsDecorated(false);
    m_table->setHeaderLabels({QStringLiteral("Zeit"), QStringLiteral("Box"), QStringLiteral("Art"),
                              QStringLiteral("Text"), QStringLiteral("Quelle")});
    auto *again = new QPushButton(QStringLiteral("Aktualisieren"), this);
    connect(again, &QPushButton::clicked, this, &UpcomingWindow::refresh);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(again, 0, Qt::AlignRight);
    resize(720, 420);
}

void UpcomingWindow::showEvent(QShowEvent *event)
{
    refresh();
    QWidget::showEvent(event);
}

void UpcomingWindow::refresh()
{
    m_table->clear();
    const QList<UpcomingReminder> next
        = UpcomingReminders::next(m_engine->folder(), m_engine->clock()->now(), kDays, m_engine->calendars());
    for (const UpcomingReminder &r : next) {
        auto *item = new QTreeWidgetItem(m_table);
        item->setText(0, r.time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
        item->setText(1, QString::number(r.box));
        item->setText(2, r.kind == MessageKind::Popup ? QStringLiteral("Popup") : QStringLiteral("Message"));
        item->setText(3, QString(r.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        item->setText(4, r.source);
    }
    m_table->header()->resizeSections(QHeaderView::ResizeToContents);
}
