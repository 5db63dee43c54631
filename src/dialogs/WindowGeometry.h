#pragma once

#include <QFont>
#include <QRect>

class QWidget;

// Windows are laid out in twips as designed; 15 twips make one pixel.
namespace WindowGeometry {

QRect twips(int left, int top, int width, int height);
QSize twipsSize(int width, int height);

// The small dialog type the layout was designed for: Arial, 11 pixels.
QFont dialogFont();

// Puts a window in the middle of the screen it will appear on.
void centreOnScreen(QWidget *window);

} // namespace WindowGeometry
