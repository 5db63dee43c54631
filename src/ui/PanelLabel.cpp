#include "PanelLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

PanelLabel::PanelLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

QStringList PanelLabel::fit(const QString &text, const QFont &font, const QSize &size)
{
    const QFontMetrics metrics(font);
    const int width = size.width();
    const int maxLines = std::max(1, size.height() / metrics.lineSpacing());
    QString flowing = text;
    flowing.replace(QLatin1Char('\n'), QChar::LineSeparator); // QTextLayout breaks only there

    QTextLayout layout(flowing, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1 && line.textStart() + line.textLength() < flowing.size()) {
            // The last line that fits takes the rest, cut with "…".
            QString rest = flowing.mid(line.textStart());
            rest.replace(QChar::LineSeparator, QLatin1Char(' '));
            lines << metrics.elidedText(rest.simplified(), Qt::ElideRight, width);
            break;
        }
        QString shown = flowing.mid(line.textStart(), line.textLength());
        shown.remove(QChar::LineSeparator);
        while (shown.endsWith(QLatin1Char(' ')))
            shown.chop(1);
        lines << shown;
    }
    layout.endLayout();
    return lines;
}

void PanelLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    const QRect area = contentsRect();
    const int step = QFontMetrics(font()).lineSpacing();
    int top = area.top();
    for (const QString &line : fit(text(), font(), area.size())) {
        painter.drawText(QRect(area.left(), top, area.width(), step), Qt::AlignLeft | Qt::AlignTop, line);
        top += step;
    }
}
