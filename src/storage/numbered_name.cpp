#include "storage/numbered_name.h"

#include <string>

namespace qx7::storage {

std::filesystem::path NumberedName(const std::filesystem::path& path, int counter) {
    if (counter <= 1) return path;
    // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict in
    // the inlined `const char* + std::string` operator.
    std::string name = path.stem().string();
    name += '-';
    name += std::to_string(counter);
    name += path.extension().string();
    return path.parent_path() / name;
}

}  // namespace qx7::storage
