#pragma once
// The one capability the drive's command set needs. The kernel lets any
// process that can open a SCSI node send INQUIRY and READ BUFFER, but WRITE
// BUFFER, which every pre-command and settings write is, only with
// CAP_SYS_RAWIO.

#include <string>

namespace qx7::platform {

// CAP_SYS_RAWIO is in this process's effective set (usually: it runs as root).
bool HasRawIoCapability();

// Drops every capability but CAP_SYS_RAWIO from the effective, permitted and
// inheritable sets, makes CAP_SYS_RAWIO effective when it is permitted (as
// it stays after a change of user that kept the capabilities), and forbids
// gaining any back through exec. What the process lacked stays lacking.
// False with *why set on failure.
bool KeepOnlyRawIoCapability(std::string* why);

}  // namespace qx7::platform
