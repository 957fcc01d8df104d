#pragma once
// A fresh folder under the system's temporary folder, with a name no other
// run has (made only where the name was free), removed with everything in it when the object goes.
// The tests and the fuzz targets write their files here.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace qx7::test {

class TempFolder {
public:
    // The folder's name starts with `prefix` ("qx7cfg" gives e.g. /tmp/qx7cfg-Ab12Cd).
    // Throws std::system_error when the folder cannot be made.
    explicit TempFolder(std::string_view prefix = "qx7-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

    // Writes `content` as the file `name` in the folder, replacing it; its
    // path. Throws std::runtime_error when the file cannot be written.
    std::filesystem::path Write(const std::filesystem::path& name, std::string_view content) const;
    std::filesystem::path Write(const std::filesystem::path& name, std::span<const std::uint8_t> bytes) const;

private:
    std::filesystem::path path_;
};

}  // namespace qx7::test
