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
// Rows can be selected and copied (Ctrl+C, "Kopieren" in the context menu)
// as tab-separated time, box, text and outcome; a filter field keeps the
// rows whose text, box or outcome contains what is typed; "Leeren" empties
// the record after a question. It can be resized; its size and column
// widths are kept in the [Verlauf] group of zelvo.ini in the working
// folder, cut to the screen it opens on.
class DeliveryWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = 860;
    static constexpr int kClientHeight = 320;

    enum Column { TimeColumn, BoxColumn, SourceColumn, KindColumn, TextColumn, OutcomeColumn, ColumnCount };

    DeliveryWindow(DeliveryRecord *record, const QDir &folder, QWidget *parent = nullptr);
    ~DeliveryWindow() override;

    // Green: the box took it; yellow: waiting; orange: answered with an
    // error status; red: no answer or no connection; grey: not sent.
    static QColor markColour(const Delivery &entry);

    QTreeWidget *list() const { return m_list; }

    // The selected rows, top to bottom, one line each: time, box, text and
    // outcome separated by tabs.
    QString selectedText() const;

public slots:
    void copySelection(); // "Kopieren"
    void setFilter(const QString &text);
    void askToClear(); // "Leeren"

protected:
    void keyPressEvent(QKeyEvent *event) override; // Escape closes it

private:
    void add(const Delivery &entry);
    void update(const Delivery &entry);
    void forget(quint64 id);
    static void fill(QTreeWidgetItem *item, const Delivery &entry);
    void applyFilter(QTreeWidgetItem *item) const;
    void restoreLayout();
    void saveLayout() const;

    DeliveryRecord *m_record;
    QDir m_folder;
    QTreeWidget *m_list = nullptr;
    QString m_filter;
    QHash<quint64, QTreeWidgetItem *> m_items;
};
