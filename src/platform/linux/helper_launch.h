#pragma once
// How a program without CAP_SYS_RAWIO starts the privileged SCSI helper:
// through polkit's pkexec, which asks for administrator authentication
// under the helper's own polkit action, and the texts that tell the user
// what to do when that does not work.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/helper_connection.h"

namespace qx7::platform {

inline constexpr const char* kPkexecPath = "/usr/bin/pkexec";

// Which program the texts advise the user about: the command-line tool
// suggests running itself with sudo; the window suggests starting the
// configurator as root and names no other program.
enum class HelperAdvice { CommandLine, Window };

struct HelperLaunch {
    std::vector<std::string> command;  // command[0] is an absolute path
    bool through_pkexec = false;       // exit codes 126 and 127 are then pkexec's
    HelperAdvice advice = HelperAdvice::CommandLine;
};

// Where the build places the helper, as compiled into the programs. The
// install prefix may still change at install time (`cmake --install
// --prefix`), so an installed program finds the helper relative to its own
// executable: bin/ and libexec/ of one prefix keep their relation wherever
// the prefix is.
struct HelperPlacement {
    // From the folder of the programs' executables to the helper
    // ("../libexec/qx7-scsi-helper"), or an absolute path when the build
    // fixed the helper's folder itself.
    std::string from_program_folder;
    // The build tree (canonical). Programs run from inside it are not
    // installed; they use `configured`, the helper of the configured install.
    std::string build_tree;
    // The helper's path under the install prefix given when the build was
    // configured.
    std::string configured;
};

// The placement this program was built with.
HelperPlacement BuiltHelperPlacement();

// The helper path for a program whose executable is `executable` (canonical,
// as /proc/self/exe names it; empty when it could not be read). The folder
// part is made canonical as far as it exists: pkexec takes the path as
// given and matches it, as text, against the polkit action's path, which
// the install writes canonical too.
std::string HelperPathFor(const std::filesystem::path& executable, const HelperPlacement& placement);

// The helper path for this process.
std::string InstalledHelperPath();

// pkexec running the helper at the path the install puts it.
HelperLaunch PkexecLaunch(HelperAdvice advice = HelperAdvice::CommandLine);

// The helper at `helper_path`, started as this process's own child (for a
// program that starts it by other means, and for tests).
HelperLaunch DirectLaunch(std::string helper_path);

// Why the launch cannot even be tried (a program it needs is missing), as a
// text for the user; empty when it can.
std::string LaunchProblem(const HelperLaunch& launch);

// What the user is told when the helper did not start.
std::string StartFailureMessage(const HelperLaunch& launch, const HelperStartFailure& failure);

}  // namespace qx7::platform
