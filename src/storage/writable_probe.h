#pragma once
// Proves a folder writable before a run depends on it: creates a probe file
// there and removes it again. A folder that exists but refuses files (read
// only, /proc, full) is found before the first drive is touched, not after.

#include <filesystem>
#include <string>

namespace qx7::storage {

// True when a file could be created in `folder` and removed again; else
// false, with *error saying what failed.
bool ProbeWritableFolder(const std::filesystem::path& folder, std::string* error);

}  // namespace qx7::storage
