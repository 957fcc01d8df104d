#include "storage/bounded_read.h"

#include <cstdint>
#include <vector>

#include "storage/files.h"

namespace qx7::storage {
namespace {

BoundedRead Refused(std::string problem) { return {false, {}, std::move(problem)}; }

}  // namespace

BoundedRead ReadSmallFile(const std::filesystem::path& path, std::size_t max_bytes) {
    std::string problem;
    ReadableFile file = ReadableFile::OpenRegular(path, &problem);
    if (!file.valid()) return Refused(problem);
    // One byte more than allowed tells a file that is too large from one
    // that is exactly at the bound, whatever size the folder reports.
    std::vector<std::uint8_t> buffer(max_bytes + 1);
    const std::optional<std::size_t> count = file.Read(buffer, &problem);
    if (!count) return Refused("cannot be read: " + problem);
    if (*count > max_bytes) return Refused("is larger than " + std::to_string(max_bytes) + " bytes");
    return {true, std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(*count)), {}};
}

BoundedRead ReadFirstLine(const std::filesystem::path& path, std::size_t max_bytes) {
    std::string problem;
    ReadableFile file = path == "-" ? ReadableFile::StandardInput() : ReadableFile::OpenRegular(path, &problem);
    if (!file.valid()) return Refused(problem);
    // The line, its "\r" and its "\n" at most; read a byte at a time so that
    // standard input keeps what follows the line.
    const std::size_t limit = max_bytes + 2;
    std::string line;
    for (;;) {
        std::uint8_t c = 0;
        const std::optional<std::size_t> n = file.Read(std::span(&c, 1), &problem);
        if (!n) return Refused("cannot be read: " + problem);
        if (*n == 0 || c == '\n') break;
        line.push_back(static_cast<char>(c));
        if (line.size() >= limit) break;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > max_bytes) {
        return Refused("has a first line longer than " + std::to_string(max_bytes) + " bytes");
    }
    return {true, std::move(line), {}};
}

}  // namespace qx7::storage
