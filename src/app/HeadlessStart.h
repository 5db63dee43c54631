#pragma once

#include <QString>

// How zelvo without a window is started: zelvo-headless, a program on the
// core library alone, so that no widget library is ever loaded for it.
namespace HeadlessStart {

// Whether this session has a display for a window: DISPLAY, WAYLAND_DISPLAY
// or an explicitly chosen Qt platform.
bool haveDisplay();

// zelvo-headless beside the given program (its absolute path).
QString programBeside(const QString &program);

// Replaces this process with zelvo-headless, with the same arguments.
// Returns only when that fails, with the reason.
QString exec(const QString &program, int argc, char **argv);

} // namespace HeadlessStart
