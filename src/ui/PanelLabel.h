#pragma once

#include <QLabel>
#include <QStringList>

// The text of the information panel: wrapped at word boundaries, a word
// longer than a line broken inside it, and what does not fit cut off with
// "…" on the last line. text() stays the whole text.
class PanelLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PanelLabel(QWidget *parent = nullptr);

    // The lines that fit into size with font.
    static QStringList fit(const QString &text, const QFont &font, const QSize &size);

protected:
    void paintEvent(QPaintEvent *event) override;
};
