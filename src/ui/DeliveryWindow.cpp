#include "DeliveryWindow.h"

#include "boxes/DeliveryRecord.h"

#include "WindowGeometry.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QTreeWidget>

namespace {

QIcon markIcon(const QColor &colour)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(140));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    return QIcon(pixmap);
}

} // namespace

DeliveryWindow::DeliveryWindow(const DeliveryRecord *record, QWidget *parent)
    : QWidget(parent)
{
    WindowGeometry::setUpWindow(this, QStringLiteral("Verlauf"), QStringLiteral("Verlauf"),
                                QStringLiteral(":/germany.svg"), Qt::Window, QSize(kClientWidth, kClientHeight));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("Liste"));
    m_list->setGeometry(8, 8, kClientWidth - 16, kClientHeight - 16);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setHeaderLabels({QStringLiteral("Zeit"), QStringLiteral("Box"), QStringLiteral("Art"),
                             QStringLiteral("Text"), QStringLiteral("Ergebnis")});
    m_list->header()->setStretchLastSection(true);
    m_list->setAlternatingRowColors(true);
    m_list->setColumnWidth(TimeColumn, 118);
    m_list->setColumnWidth(BoxColumn, 112);
    m_list->setColumnWidth(SourceColumn, 150);
    m_list->setColumnWidth(TextColumn, 200);

    for (const Delivery &entry : record->entries())
        add(entry);
    connect(record, &DeliveryRecord::added, this, &DeliveryWindow::add);
    connect(record, &DeliveryRecord::updated, this, &DeliveryWindow::update);
    connect(record, &DeliveryRecord::forgotten, this, &DeliveryWindow::forget);

    WindowGeometry::centreOnScreen(this);
}

QColor DeliveryWindow::markColour(const Delivery &entry)
{
    switch (entry.outcome) {
    case DeliveryOutcome::Waiting:
        return QColor(0xE8, 0xC0, 0x20);
    case DeliveryOutcome::Answered:
        return entry.delivered() ? QColor(0x2E, 0xA0, 0x44) : QColor(0xE8, 0x80, 0x20);
    case DeliveryOutcome::NotSent:
        return QColor(0x90, 0x90, 0x90);
    case DeliveryOutcome::TimedOut:
    case DeliveryOutcome::ConnectionRefused:
    case DeliveryOutcome::Failed:
    case DeliveryOutcome::Dropped:
        break;
    }
    return QColor(0xD0, 0x30, 0x30);
}

void DeliveryWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void DeliveryWindow::add(const Delivery &entry)
{
    auto *item = new QTreeWidgetItem;
    fill(item, entry);
    m_list->insertTopLevelItem(0, item); // newest first
    m_items.insert(entry.id, item);
}

void DeliveryWindow::update(const Delivery &entry)
{
    if (QTreeWidgetItem *item = m_items.value(entry.id))
        fill(item, entry);
}

void DeliveryWindow::forget(quint64 id)
{
    delete m_items.take(id);
}

void DeliveryWindow::fill(QTreeWidgetItem *item, const Delivery &entry)
{
    item->setIcon(TimeColumn, markIcon(markColour(entry)));
    item->setText(TimeColumn, entry.time.toString(QStringLiteral("dd.MM. HH:mm:ss")));
    item->setText(BoxColumn, entry.boxText());
    item->setText(SourceColumn, entry.sourceText() + QStringLiteral(", ") + entry.kindText());
    item->setText(TextColumn, entry.firstLine);
    item->setText(OutcomeColumn, entry.outcomeText());
    for (int c = BoxColumn; c <= OutcomeColumn; ++c)
        item->setToolTip(c, item->text(c));
}
