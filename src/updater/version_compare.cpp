#include "updater/version_compare.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>

namespace qx7::updater {
namespace {

using VersionFields = std::array<std::int32_t, 4>;

// One field's digits as a number, saturating at the largest 32-bit value;
// nothing when the field holds a character other than '0'-'9'.
std::optional<std::int32_t> ParseField(std::u16string_view digits) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int32_t value = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        const std::int32_t digit = c - u'0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

// The fields of `text`, or nothing when it is malformed.
std::optional<VersionFields> ParseVersion(std::u16string_view text) {
    VersionFields fields{};
    std::size_t count = 0;
    while (!text.empty()) {
        const std::size_t dot = text.find(u'.');
        const std::u16string_view token = text.substr(0, dot);
        text = dot == std::u16string_view::npos ? std::u16string_view{} : text.substr(dot + 1);
        if (token.empty()) continue;
        if (count == fields.size()) return std::nullopt;
        const std::optional<std::int32_t> value = ParseField(token);
        if (!value) return std::nullopt;
        fields[count++] = *value;
    }
    if (count == 0) return std::nullopt;
    return fields;
}

}  // namespace

int CompareVersions(std::u16string_view first, std::u16string_view second) {
    const std::optional<VersionFields> a = ParseVersion(first);
    if (!a) return kFirstVersionMalformed;
    const std::optional<VersionFields> b = ParseVersion(second);
    if (!b) return kSecondVersionMalformed;
    for (std::size_t i = 0; i < a->size(); ++i) {
        if ((*a)[i] != (*b)[i]) return (*a)[i] > (*b)[i] ? 1 : -1;
    }
    return 0;
}

bool IsVersion(std::u16string_view text) { return ParseVersion(text).has_value(); }

}  // namespace qx7::updater
