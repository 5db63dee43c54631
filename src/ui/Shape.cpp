#include "Shape.h"

#include <QPainter>

Shape::Shape(const QColor &fill, QWidget *parent)
    : QWidget(parent)
    , m_fill(fill)
{
}

void Shape::setFillColor(const QColor &color)
{
    if (color == m_fill)
        return;
    m_fill = color;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), m_fill);
}
