#pragma once

#include "boxes/Delivery.h"

#include <QColor>
#include <QDir>
#include <QHash>
#include <QWidget>

class DeliveryRecord;
class QTreeWidget;
class QTreeWidgetItem;

// "Verlauf": the delivery record, newest first, one line per message with a
// coloured mark for its outcome; it follows the record while it is open.
// It can be resized; its size and column widths are kept in the [Verlauf]
// group of zelvo.ini in the working folder.
class DeliveryWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = 860;
    static constexpr int kClientHeight = 320;

    enum Column { TimeColumn, BoxColumn, SourceColumn, KindColumn, TextColumn, OutcomeColumn, ColumnCount };

    DeliveryWindow(const DeliveryRecord *record, const QDir &folder, QWidget *parent = nullptr);
    ~DeliveryWindow() override;

    // Green: the box took it; yellow: waiting; orange: answered with an
    // error status; red: no answer or no connection; grey: not sent.
    static QColor markColour(const Delivery &entry);

    QTreeWidget *list() const { return m_list; }

protected:
    void keyPressEvent(QKeyEvent *event) override; // Escape closes it

private:
    void add(const Delivery &entry);
    void update(const Delivery &entry);
    void forget(quint64 id);
    static void fill(QTreeWidgetItem *item, const Delivery &entry);
    void restoreLayout();
    void saveLayout() const;

    QDir m_folder;
    QTreeWidget *m_list = nullptr;
    QHash<quint64, QTreeWidgetItem *> m_items;
};
