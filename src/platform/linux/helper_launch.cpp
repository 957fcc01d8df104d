#include "platform/linux/helper_launch.h"

#include <unistd.h>

namespace qx7::platform::linux_sg {
namespace {

// pkexec's own exit codes.
constexpr int kPkexecNotAuthorized = 126;  // refused or dismissed
constexpr int kPkexecFailed = 127;         // no agent, not allowed, or could not run

constexpr const char* kNeedsAdmin = "Sending configuration commands to a QX7 needs administrator rights. ";
constexpr const char* kRunAsRoot = "run the program as root (for example: sudo qx7ctl list).";

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

HelperLaunch PkexecLaunch() { return {{kPkexecPath, QX7_SCSI_HELPER_INSTALL_PATH}, true}; }

HelperLaunch DirectLaunch(std::string helper_path) { return {{std::move(helper_path)}, false}; }

std::string LaunchProblem(const HelperLaunch& launch) {
    if (launch.command.empty()) return std::string(kNeedsAdmin) + "No helper is configured; " + kRunAsRoot;
    if (::access(launch.command[0].c_str(), X_OK) != 0) {
        if (launch.through_pkexec) {
            return std::string(kNeedsAdmin) + "polkit's pkexec (" + launch.command[0] +
                   ") is not installed: install the pkexec package, or " + kRunAsRoot;
        }
        return std::string(kNeedsAdmin) + "The privileged helper " + Quoted(launch.command[0]) +
               " is missing: install the program (cmake --install), or " + kRunAsRoot;
    }
    const std::string& helper = launch.command.back();
    if (launch.through_pkexec && ::access(helper.c_str(), X_OK) != 0) {
        return std::string(kNeedsAdmin) + "The privileged helper is not installed at " + Quoted(helper) +
               ": install the program (cmake --install), or " + kRunAsRoot;
    }
    return {};
}

std::string StartFailureMessage(const HelperLaunch& launch, const HelperStartFailure& failure) {
    if (launch.through_pkexec && failure.exit_code == kPkexecNotAuthorized) {
        return std::string(kNeedsAdmin) +
               "Administrator authentication was refused or cancelled, so no drive was opened. "
               "Authenticate when asked, or " +
               kRunAsRoot;
    }
    if (launch.through_pkexec && failure.exit_code == kPkexecFailed) {
        return std::string(kNeedsAdmin) +
               "pkexec could not authorize the privileged helper (no polkit authentication agent, "
               "or the helper's polkit action is not installed or not allowed). Start a polkit agent, or " +
               kRunAsRoot;
    }
    std::string text = std::string(kNeedsAdmin) + "The privileged helper did not start";
    if (failure.exit_code) text += " (exit code " + std::to_string(*failure.exit_code) + ")";
    if (!failure.detail.empty()) text += ": " + failure.detail;
    return text + ". Reinstall the program, or " + kRunAsRoot;
}

}  // namespace qx7::platform::linux_sg
