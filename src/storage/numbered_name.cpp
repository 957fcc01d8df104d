#include "storage/numbered_name.h"
#include "strings/path_text.h"

#include <string>

namespace qx7::storage {

std::filesystem::path NumberedName(const std::filesystem::path& path, int counter) {
    if (counter <= 1) return path;
    // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict in
    // the inlined `const char* + std::string` operator.
    std::string name = strings::PathText(path.stem());
    name += '-';
    name += std::to_string(counter);
    name += strings::PathText(path.extension());
    return path.parent_path() / strings::PathFromText(name);
}

}  // namespace qx7::storage
