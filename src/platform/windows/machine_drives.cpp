// The Windows back end: setup and configuration-manager services for what is
// present, SCSI pass-through for the commands, device-change notifications
// for hot-plug.

#include "platform/machine_drives.h"

#include <windows.h>

#include "platform/windows/windows_drives.h"

namespace qx7::platform {
namespace {

// Whether the process token is elevated. A process whose token cannot be
// asked is taken as elevated: its opens then fail one by one with their own
// reasons rather than all with advice that may not apply.
bool ProcessIsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool asked = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != 0;
    CloseHandle(token);
    return !asked || elevation.TokenIsElevated != 0;
}

}  // namespace

std::unique_ptr<MachineDrives> OpenMachineDrives(FrontEnd front_end, AccessProblemHandler on_access_problem,
                                                 std::string* /*error*/) {
    return std::make_unique<WindowsDrives>(MakeSystemDeviceApi(), ProcessIsElevated(), front_end,
                                           std::move(on_access_problem));
}

}  // namespace qx7::platform
