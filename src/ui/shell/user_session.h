#pragma once
// Who runs the program, as a name part for objects that belong to one user
// session (the single-instance server): each system's own notion of the
// user and session, from shell/<system interface>/.

#include <QString>

namespace qx7::ui {

// Text that differs between users (and, where the system runs several
// sessions of one user, between those sessions) and is the same for every
// program the user starts in this session. Letters, digits and '-' only.
QString UserSessionKey();

}  // namespace qx7::ui
