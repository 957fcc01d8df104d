#pragma once
// Names that do not replace a file already made: the same name with a
// counter before its extension.

#include <filesystem>

namespace qx7::storage {

// `path` itself for counter 1; otherwise "-<counter>" goes before the
// extension ("dir/a.txt", 3 gives "dir/a-3.txt").
std::filesystem::path NumberedName(const std::filesystem::path& path, int counter);

}  // namespace qx7::storage
