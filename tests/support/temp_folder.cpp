#include "temp_folder.h"  // beside this file: the fuzz targets build it too

#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace qx7::test {
namespace {

// Six letters or digits, drawn afresh for every try.
std::string RandomSuffix(std::mt19937_64& random) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(kAlphabet) - 2);
    std::string suffix(6, '\0');
    for (char& c : suffix) c = kAlphabet[pick(random)];
    return suffix;
}

}  // namespace

TempFolder::TempFolder(std::string_view prefix) {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 random((std::uint64_t{seed()} << 32) ^ seed());
    // create_directory makes the folder only when the name is free, so a
    // folder another run took is never shared; a few names are tried.
    std::error_code error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / (std::string(prefix) + "-" + RandomSuffix(random));
        if (std::filesystem::create_directory(candidate, error)) {
            // Owner only, as mkdtemp makes it (ignored where the system has
            // no such modes).
            std::error_code ignored;
            std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, ignored);
            path_ = candidate;
            return;
        }
        if (error && error != std::errc::file_exists) break;  // not a name taken: no folder can be made there
        error.clear();
    }
    throw std::system_error(error ? error : std::make_error_code(std::errc::file_exists),
                            "cannot make a temporary folder in " + base.string());
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
