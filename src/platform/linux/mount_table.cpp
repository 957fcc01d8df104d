#include "platform/linux/mount_table.h"

#include <charconv>
#include <fstream>
#include <optional>

namespace qx7::platform {
namespace {

// mountinfo fields: mount id, parent id, major:minor, root, mount point, …
constexpr std::size_t kDeviceField = 2;
constexpr std::size_t kMountPointField = 4;

// The mount table can be large on a busy system; a bound keeps a runaway
// file from taking the memory.
constexpr std::size_t kMaxTableBytes = 16 * 1024 * 1024;

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = line.find(' ', at);
        const std::size_t stop = end == std::string_view::npos ? line.size() : end;
        if (stop > at) fields.push_back(line.substr(at, stop - at));
        at = stop + 1;
    }
    return fields;
}

bool ParseUnsigned(std::string_view text, std::uint32_t& value) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::optional<transport::DeviceNumber> ParseDevice(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    transport::DeviceNumber number;
    if (!ParseUnsigned(text.substr(0, colon), number.major) || !ParseUnsigned(text.substr(colon + 1), number.minor)) {
        return std::nullopt;
    }
    return number;
}

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// The kernel writes space, tab, newline and backslash in paths as \ooo.
std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && IsOctalDigit(text[i + 1]) && IsOctalDigit(text[i + 2]) &&
            IsOctalDigit(text[i + 3])) {
            const int value = (text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
            if (value > 0 && value < 256) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() <= kMountPointField) continue;
        const auto device = ParseDevice(fields[kDeviceField]);
        if (!device) continue;
        entries.push_back({*device, Unescape(fields[kMountPointField])});
    }
    return entries;
}

std::vector<MountEntry> ReadMountTable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxTableBytes) return {};
    }
    return ParseMountInfo(text);
}

}  // namespace qx7::platform
