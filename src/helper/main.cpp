// qx7-scsi-helper: carries the QX7's SCSI commands for an unprivileged
// qx7config or qx7ctl over its standard input and output. It runs with
// CAP_SYS_RAWIO (started through pkexec) and keeps nothing else; it opens
// only the sg nodes of QX7 drives and sends only the QX7 command set.

#include <unistd.h>

#include <csignal>
#include <iostream>

#include "helper/helper_server.h"
#include "helper/node_guard.h"
#include "platform/linux/capabilities.h"

int main() {
    using namespace qx7::platform;
    // A program that goes away must end the helper through a failed write,
    // not a signal.
    std::signal(SIGPIPE, SIG_IGN);

    std::string why;
    if (!linux_sg::KeepOnlyRawIoCapability(&why)) {
        std::cerr << "qx7-scsi-helper: cannot drop privileges: " << why << '\n';
        return scsi_helper::kExitStartFailed;
    }
    scsi_helper::GuardedNodeOpener opener;
    if (!opener.ok()) {
        std::cerr << "qx7-scsi-helper: udev is not available\n";
        return scsi_helper::kExitStartFailed;
    }
    return scsi_helper::Serve(STDIN_FILENO, STDOUT_FILENO, opener, std::cerr);
}
