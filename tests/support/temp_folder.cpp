#include "temp_folder.h"  // beside this file: the fuzz targets build it too

#include <stdlib.h>

#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace qx7::test {

TempFolder::TempFolder(std::string_view prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "cannot make a temporary folder " + pattern);
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    // A test may have removed the folder itself.
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::Write(const std::filesystem::path& name, std::string_view content) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
    return file;
}

std::filesystem::path TempFolder::Write(const std::filesystem::path& name, std::span<const std::uint8_t> bytes) const {
    return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace qx7::test
