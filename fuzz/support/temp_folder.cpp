#include "support/temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

#include "support/fuzz_target.h"

namespace qx7::fuzz {
namespace {

std::filesystem::path MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qx7-fuzz-XXXXXX").string();
    QX7_FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    return pattern;
}

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(TempFolder(), ignored);
}

}  // namespace

const std::filesystem::path& TempFolder() {
    static const std::filesystem::path folder = [] {
        auto made = MakeFolder();
        return made;
    }();
    static const bool cleanup_registered = std::atexit(RemoveFolder) == 0;
    (void)cleanup_registered;
    return folder;
}

std::filesystem::path WriteTempFile(const char* name, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path path = TempFolder() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    QX7_FUZZ_CHECK(out.good());
    return path;
}

}  // namespace qx7::fuzz
