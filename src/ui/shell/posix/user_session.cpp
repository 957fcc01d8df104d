#include "ui/shell/user_session.h"

#include <unistd.h>

namespace qx7::ui {

// The user id: a user's programs share one copy of the window, as they share
// one home folder.
QString UserSessionKey() { return QString::number(::getuid()); }

}  // namespace qx7::ui
