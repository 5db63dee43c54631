#pragma once

#include <QColor>
#include <QWidget>

// A filled rectangle: the television's information panel, the box's front
// display and the status lamps.
class Shape : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
public:
    explicit Shape(const QColor &fill, QWidget *parent = nullptr);

    QColor fillColor() const { return m_fill; }
    void setFillColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
};
