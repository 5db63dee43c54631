#pragma once

#include <QFont>
#include <QMessageBox>
#include <QRect>
#include <QString>

#include <functional>

class QWidget;

// Windows are laid out in twips as designed; 15 twips make one pixel.
namespace WindowGeometry {

QRect twips(int left, int top, int width, int height);
QSize twipsSize(int width, int height);

// The small dialog type the layout was designed for: Arial, 11 pixels.
QFont dialogFont();

// The frame every window of the program but the main one shares: its name,
// title and icon, title bar with system menu and close button only (no
// minimise, no maximise), the dialog type and a fixed client area.
void setUpWindow(QWidget *window, const QString &name, const QString &title, const QString &icon,
                 Qt::WindowType kind, const QSize &clientSize);

// Puts a window in the middle of the screen it will appear on.
void centreOnScreen(QWidget *window);

// Cuts a resizable window to the free area of the screen it will appear on
// (at any scale factor) and puts it in the middle of that area, its title
// bar never above or left of it.
void fitOnScreen(QWidget *window);

// A message box titled "Zelvo" over parent, opened without an event loop of
// its own; then runs once it is closed. It deletes itself.
QMessageBox *openMessage(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                         const std::function<void()> &then = {});

// Whether a settings file was saved (error empty); if not, says so over
// parent, and what was typed stays in the dialog.
bool saved(QWidget *parent, const QString &fileName, const QString &error);

// The same with a question and two answers: then gets true for yes; no,
// Escape and the close button all answer false.
QMessageBox *openQuestion(QWidget *parent, const QString &text, const QString &yes, const QString &no,
                          const std::function<void(bool)> &then);

} // namespace WindowGeometry
