#pragma once
// How a program without CAP_SYS_RAWIO starts the privileged SCSI helper:
// through polkit's pkexec, which asks for administrator authentication
// under the helper's own polkit action, and the texts that tell the user
// what to do when that does not work.

#include <string>
#include <vector>

#include "platform/linux/helper_connection.h"

namespace qx7::platform::linux_sg {

inline constexpr const char* kPkexecPath = "/usr/bin/pkexec";

struct HelperLaunch {
    std::vector<std::string> command;  // command[0] is an absolute path
    bool through_pkexec = false;       // exit codes 126 and 127 are then pkexec's
};

// pkexec running the helper at the path the install puts it.
HelperLaunch PkexecLaunch();

// The helper at `helper_path`, started as this process's own child (for a
// program that starts it by other means, and for tests).
HelperLaunch DirectLaunch(std::string helper_path);

// Why the launch cannot even be tried (a program it needs is missing), as a
// text for the user; empty when it can.
std::string LaunchProblem(const HelperLaunch& launch);

// What the user is told when the helper did not start.
std::string StartFailureMessage(const HelperLaunch& launch, const HelperStartFailure& failure);

}  // namespace qx7::platform::linux_sg
