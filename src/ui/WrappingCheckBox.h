#pragma once

#include <QCheckBox>

// A check box whose caption wraps over several lines within its width, and
// which toggles wherever it is clicked.
class WrappingCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit WrappingCheckBox(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
};
