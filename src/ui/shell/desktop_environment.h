#pragma once
// What the desktop program learns from the system session it runs in: who
// the user is, whether there is a desktop to open the window on, where the
// user's program state goes, and where text output (--help, --version)
// can be written. Each system supplies these in shell/<system interface>/.

#include <QString>

#include <string>

namespace qx7::ui {

// Text that differs between users (and, where the system runs several
// sessions of one user, between those sessions) and is the same for every
// program the user starts in this session. Letters, digits and '-' only.
QString UserSessionKey();

// Whether a desktop exists to open the window on; when not, *why says what
// is missing, for the user.
bool DesktopAvailable(QString* why);

// The folder for the user's program state (the simulator's state file),
// as UTF-8; it may not exist yet.
std::string UserStateFolder();

// Makes text written to stdout reach the user: true when it does (always
// on a system whose programs have a terminal or a redirected output),
// false when the program has nowhere to print and should show the text in
// a window instead.
bool AttachTextOutput();

}  // namespace qx7::ui
