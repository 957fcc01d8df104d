#include "platform/linux/helper_launch.h"

#include <unistd.h>

#include <algorithm>
#include <system_error>

namespace qx7::platform {
namespace {

// pkexec's own exit codes.
constexpr int kPkexecNotAuthorized = 126;  // refused or dismissed
constexpr int kPkexecFailed = 127;         // no agent, not allowed, or could not run

constexpr const char* kNeedsAdmin = "Sending configuration commands to a QX7 needs administrator rights. ";

// The last resort when the helper cannot be used.
std::string RunAsRoot(HelperAdvice advice) {
    return advice == HelperAdvice::Window ? "start the configurator as root."
                                          : "run the program as root (for example: sudo qx7ctl list).";
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Whether `path` is `folder` or lies below it, compared folder by folder
// (/b/tree-2 is not inside /b/tree).
bool IsWithin(const std::filesystem::path& path, const std::filesystem::path& folder) {
    return !folder.empty() &&
           std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first == folder.end();
}

}  // namespace

HelperPlacement BuiltHelperPlacement() {
    return {QX7_SCSI_HELPER_FROM_PROGRAM_FOLDER, QX7_BUILD_TREE, QX7_SCSI_HELPER_INSTALL_PATH};
}

std::string HelperPathFor(const std::filesystem::path& executable, const HelperPlacement& placement) {
    namespace fs = std::filesystem;
    // A program run from its build tree, or one that does not know where it
    // is, uses the configured install's helper.
    const fs::path folder = executable.parent_path();
    if (!executable.is_absolute() || IsWithin(folder, placement.build_tree)) return placement.configured;

    const fs::path helper = (folder / placement.from_program_folder).lexically_normal();
    std::error_code error;
    const fs::path helper_folder = fs::weakly_canonical(helper.parent_path(), error);
    if (error) return helper.string();
    return (helper_folder / helper.filename()).string();
}

std::string InstalledHelperPath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return HelperPathFor(error ? std::filesystem::path() : executable, BuiltHelperPlacement());
}

HelperLaunch PkexecLaunch(HelperAdvice advice) { return {{kPkexecPath, InstalledHelperPath()}, true, advice}; }

HelperLaunch DirectLaunch(std::string helper_path) { return {{std::move(helper_path)}, false}; }

std::string LaunchProblem(const HelperLaunch& launch) {
    const std::string run_as_root = RunAsRoot(launch.advice);
    if (launch.command.empty()) return std::string(kNeedsAdmin) + "No helper is configured; " + run_as_root;
    if (::access(launch.command[0].c_str(), X_OK) != 0) {
        if (launch.through_pkexec) {
            return std::string(kNeedsAdmin) + "polkit's pkexec (" + launch.command[0] +
                   ") is not installed: install the pkexec package, or " + run_as_root;
        }
        return std::string(kNeedsAdmin) + "The privileged helper " + Quoted(launch.command[0]) +
               " is missing: install the program (cmake --install), or " + run_as_root;
    }
    const std::string& helper = launch.command.back();
    if (launch.through_pkexec && ::access(helper.c_str(), X_OK) != 0) {
        return std::string(kNeedsAdmin) + "The privileged helper is not installed at " + Quoted(helper) +
               ": install the program (cmake --install), or " + run_as_root;
    }
    return {};
}

std::string StartFailureMessage(const HelperLaunch& launch, const HelperStartFailure& failure) {
    const std::string run_as_root = RunAsRoot(launch.advice);
    if (launch.through_pkexec && failure.exit_code == kPkexecNotAuthorized) {
        return std::string(kNeedsAdmin) +
               "Administrator authentication was refused or cancelled, so no drive was opened. "
               "Authenticate when asked, or " +
               run_as_root;
    }
    if (launch.through_pkexec && failure.exit_code == kPkexecFailed) {
        return std::string(kNeedsAdmin) +
               "pkexec could not authorize the privileged helper (no polkit authentication agent, "
               "or the helper's polkit action is not installed or not allowed). Start a polkit agent, or " +
               run_as_root;
    }
    std::string text = std::string(kNeedsAdmin) + "The privileged helper did not start";
    if (failure.exit_code) text += " (exit code " + std::to_string(*failure.exit_code) + ")";
    if (!failure.detail.empty()) text += ": " + failure.detail;
    return text + ". Reinstall the program, or " + run_as_root;
}

}  // namespace qx7::platform
