#include "ui/shell/desktop_environment.h"

#include <unistd.h>

#include <cstdlib>

namespace qx7::ui {

// The user id: a user's programs share one copy of the window, as they share
// one home folder.
QString UserSessionKey() { return QString::number(::getuid()); }

// A display server named in the environment, or a Qt platform chosen
// explicitly (offscreen, for example).
bool DesktopAvailable(QString* why) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    *why = QStringLiteral("no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set)");
    return false;
}

// $XDG_STATE_HOME/qx7, by default ~/.local/state/qx7.
std::string UserStateFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) return std::string(state) + "/qx7";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/state/qx7";
}

// A POSIX program always has its standard output (a terminal, a file, or
// nothing its starter cares about).
bool AttachTextOutput() { return true; }

}  // namespace qx7::ui
