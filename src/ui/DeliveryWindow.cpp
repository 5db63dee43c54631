#include "DeliveryWindow.h"

#include "boxes/DeliveryRecord.h"
#include "common/ZelvoSettings.h"

#include "WindowGeometry.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QTreeWidget>

#include <algorithm>
#include <QVBoxLayout>

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

DeliveryWindow::DeliveryWindow(DeliveryRecord *record, const QDir &folder, QWidget *parent)
    : QWidget(parent)
    , m_record(record)
    , m_folder(folder)
{
    WindowGeometry::setUpWindow(this, QStringLiteral("Verlauf"), QStringLiteral("Verlauf"),
                                QStringLiteral(":/germany.svg"), Qt::Window, QSize(kClientWidth, kClientHeight));
    // Unlike the dialogs, the list may be made as large as the texts need.
    setMinimumSize(320, 120);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    auto *filter = new QLineEdit(this);
    filter->setObjectName(QStringLiteral("Filter"));
    filter->setPlaceholderText(QStringLiteral("Suchen: Text, Box oder Ergebnis"));
    filter->setClearButtonEnabled(true);
    connect(filter, &QLineEdit::textChanged, this, &DeliveryWindow::setFilter);
    auto *clear = new QPushButton(QStringLiteral("Leeren"), this);
    clear->setObjectName(QStringLiteral("Leeren"));
    clear->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, &DeliveryWindow::askToClear);
    auto *bar = new QHBoxLayout;
    bar->addWidget(filter, 1);
    bar->addWidget(clear);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("Liste"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(bar);
    layout->addWidget(m_list);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto *copy = new QAction(QStringLiteral("Kopieren"), m_list);
    copy->setObjectName(QStringLiteral("Kopieren"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &DeliveryWindow::copySelection);
    m_list->addAction(copy);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_list->setHeaderLabels({QStringLiteral("Zeit"), QStringLiteral("Box"), QStringLiteral("Quelle"),
                             QStringLiteral("Art"), QStringLiteral("Text"), QStringLiteral("Ergebnis")});
    m_list->header()->setStretchLastSection(true);
    m_list->setAlternatingRowColors(true);
    m_list->setColumnWidth(TimeColumn, 118);
    m_list->setColumnWidth(BoxColumn, 112);
    m_list->setColumnWidth(SourceColumn, 90);
    m_list->setColumnWidth(KindColumn, 60);
    m_list->setColumnWidth(TextColumn, 200);
    restoreLayout();

    for (const Delivery &entry : record->entries())
        add(entry);
    connect(record, &DeliveryRecord::added, this, &DeliveryWindow::add);
    connect(record, &DeliveryRecord::updated, this, &DeliveryWindow::update);
    connect(record, &DeliveryRecord::forgotten, this, &DeliveryWindow::forget);

    WindowGeometry::fitOnScreen(this);
}

QColor DeliveryWindow::markColour(const Delivery &entry)
{
    switch (entry.outcome) {
    case DeliveryOutcome::Waiting:
    case DeliveryOutcome::Held:
        return QColor(0xE8, 0xC0, 0x20);
    case DeliveryOutcome::Answered:
        return entry.delivered() ? QColor(0x2E, 0xA0, 0x44) : QColor(0xE8, 0x80, 0x20);
    case DeliveryOutcome::NotSent:
    case DeliveryOutcome::Expired:
        return QColor(0x90, 0x90, 0x90);
    case DeliveryOutcome::TimedOut:
    case DeliveryOutcome::ConnectionRefused:
    case DeliveryOutcome::Failed:
    case DeliveryOutcome::Dropped:
        break;
    }
    return QColor(0xD0, 0x30, 0x30);
}

// Closing deletes the window, so this runs when it is closed and when the
// program ends with it open.
DeliveryWindow::~DeliveryWindow()
{
    saveLayout();
}

void DeliveryWindow::restoreLayout()
{
    const ZelvoSettings::WindowLayout layout = ZelvoSettings(m_folder).deliveryWindowLayout();
    if (layout.size.isValid())
        resize(layout.size.expandedTo(minimumSize())); // cut to the screen when it is placed
    for (int c = 0; c < std::min<int>(layout.columnWidths.size(), OutcomeColumn); ++c) {
        if (layout.columnWidths.at(c) > 0)
            m_list->setColumnWidth(c, layout.columnWidths.at(c));
    }
}

// A failure is logged by the settings; the window is closing, nobody to tell.
void DeliveryWindow::saveLayout() const
{
    ZelvoSettings::WindowLayout layout;
    layout.size = size();
    for (int c = 0; c < OutcomeColumn; ++c) // the last column takes what is left
        layout.columnWidths << m_list->columnWidth(c);
    ZelvoSettings(m_folder).setDeliveryWindowLayout(layout);
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
    applyFilter(item);
}

void DeliveryWindow::update(const Delivery &entry)
{
    if (QTreeWidgetItem *item = m_items.value(entry.id)) {
        fill(item, entry);
        applyFilter(item);
    }
}

void DeliveryWindow::setFilter(const QString &text)
{
    m_filter = text.trimmed();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        applyFilter(m_list->topLevelItem(i));
}

void DeliveryWindow::applyFilter(QTreeWidgetItem *item) const
{
    bool found = m_filter.isEmpty();
    for (int c : {BoxColumn, TextColumn, OutcomeColumn})
        found = found || item->text(c).contains(m_filter, Qt::CaseInsensitive);
    item->setHidden(!found);
}

QString DeliveryWindow::selectedText() const
{
    QStringList lines;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_list->topLevelItem(i);
        if (!item->isSelected() || item->isHidden())
            continue;
        QStringList fields;
        for (int c : {TimeColumn, BoxColumn, TextColumn, OutcomeColumn})
            fields << item->text(c).simplified(); // no tab or line break inside a field
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void DeliveryWindow::copySelection()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void DeliveryWindow::askToClear()
{
    WindowGeometry::openQuestion(
        this, QStringLiteral("Den Verlauf leeren? Zurückgehaltene Nachrichten warten weiter auf ihre Boxen."),
        QStringLiteral("Leeren"), QStringLiteral("Abbrechen"), [this](bool clear) {
            if (clear)
                m_record->clear();
        });
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
    item->setText(SourceColumn, entry.sourceText());
    item->setText(KindColumn, entry.kindText());
    item->setText(TextColumn, entry.firstLine);
    item->setText(OutcomeColumn, entry.outcomeText());
    // The whole text and outcome, however narrow the columns are.
    const QString tip = entry.text + QStringLiteral("\n\nErgebnis: ") + entry.outcomeText();
    for (int c = TimeColumn; c < ColumnCount; ++c)
        item->setToolTip(c, tip);
}
