#pragma once

// Two warnings Qt prints on every start of the window where they mean
// nothing to the user: the tray's connect to a signal that only the xcb
// platform has (offscreen and others print "No such signal
// QPlatformNativeInterface::systemTrayWindowChanged"), and QStandardPaths
// falling back to /tmp/runtime-USER when XDG_RUNTIME_DIR is unset (a session
// without a login manager, e.g. root in a terminal). Every other message
// goes on to the log as before.
namespace QtStartupNoise {

void silence();

} // namespace QtStartupNoise
