#pragma once
// The one folder a target may write to: created under the system's
// temporary folder on first use and removed when the process exits.

#include <cstdint>
#include <filesystem>
#include <span>

namespace qx7::fuzz {

const std::filesystem::path& TempFolder();

// Writes `bytes` as the file `name` in TempFolder(), replacing it; returns its path.
std::filesystem::path WriteTempFile(const char* name, std::span<const std::uint8_t> bytes);

}  // namespace qx7::fuzz
