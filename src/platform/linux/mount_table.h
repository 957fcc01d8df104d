#pragma once
// The kernel's mount table (/proc/self/mountinfo): which device is mounted
// where. Only the fields volume discovery needs are kept.

#include <string>
#include <string_view>
#include <vector>

#include "transport/device_enumerator.h"

namespace qx7::platform {

inline constexpr const char* kProcMountInfo = "/proc/self/mountinfo";

struct MountEntry {
    transport::DeviceNumber device;  // major:minor of the mounted device (0:x for virtual ones)
    std::string mount_point;         // unescaped
};

// The entries of mountinfo text in table order. Lines that do not have the
// mountinfo form are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Reads and parses the table at `path`; empty when it cannot be read.
std::vector<MountEntry> ReadMountTable(const std::string& path);

}  // namespace qx7::platform
