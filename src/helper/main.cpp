// qx7-scsi-helper: carries the QX7's SCSI commands for an unprivileged
// qx7config or qx7ctl over its standard input and output. Started through
// pkexec, it runs as the user who asked, in the groups of the sg nodes, with
// CAP_SYS_RAWIO and nothing else; it opens only the sg nodes of QX7 drives
// and sends only the QX7 command set.

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>

#include "helper/helper_server.h"
#include "helper/node_guard.h"
#include "helper/run_as_user.h"
#include "platform/linux/capabilities.h"

namespace {

using namespace qx7::platform;
namespace helper = qx7::helper;

// Started as root through pkexec: becomes the user pkexec names, in the
// groups of the SCSI generic nodes. Started any other way (already as that
// user, or by root itself) it stays who it is.
bool BecomeRequestingUser(std::string* why) {
    const char* requested = std::getenv(helper::kRequestingUserVariable);
    if (requested == nullptr || ::geteuid() != 0) return true;
    const auto uid = helper::ParseUserId(requested);
    if (!uid) {
        *why = std::string(helper::kRequestingUserVariable) + " is not a user id";
        return false;
    }
    if (*uid == 0) return true;
    const qx7::platform::UdevPtr context(udev_new());
    if (!context) {
        *why = "udev is not available";
        return false;
    }
    return helper::BecomeUser(helper::IdentityFor(*uid, helper::GenericNodeGroups(context.get())), why);
}

}  // namespace

int main() {
    // A program that goes away must end the helper through a failed write,
    // not a signal.
    std::signal(SIGPIPE, SIG_IGN);

    std::string why;
    if (!BecomeRequestingUser(&why)) {
        std::cerr << "qx7-scsi-helper: cannot run as the requesting user: " << why << '\n';
        return helper::kExitStartFailed;
    }
    if (!qx7::platform::KeepOnlyRawIoCapability(&why)) {
        std::cerr << "qx7-scsi-helper: cannot drop privileges: " << why << '\n';
        return helper::kExitStartFailed;
    }
    helper::GuardedNodeOpener opener;
    if (!opener.ok()) {
        std::cerr << "qx7-scsi-helper: udev is not available\n";
        return helper::kExitStartFailed;
    }
    return helper::Serve(STDIN_FILENO, STDOUT_FILENO, opener, std::cerr);
}
