#include "updater/own_version.h"

#include <initializer_list>

namespace qx7::updater {
namespace {

constexpr bool FitsWord(int value) { return value >= 0 && value <= 0xFFFF; }
static_assert(FitsWord(QX7_VERSION_MAJOR) && FitsWord(QX7_VERSION_MINOR) && FitsWord(QX7_VERSION_BUILD) &&
                  FitsWord(QX7_VERSION_REVISION),
              "each part of the project version must fit a 16-bit word");

void AppendNumber(std::u16string& out, std::uint16_t value) {
    const std::string digits = std::to_string(value);
    out.append(digits.begin(), digits.end());
}

std::u16string JoinFields(std::initializer_list<std::uint16_t> fields) {
    std::u16string text;
    for (const std::uint16_t field : fields) {
        if (!text.empty()) text += u'.';
        AppendNumber(text, field);
    }
    return text;
}

}  // namespace

FileVersion CompiledFileVersion() {
    return {QX7_VERSION_MAJOR, QX7_VERSION_MINOR, QX7_VERSION_BUILD, QX7_VERSION_REVISION};
}

std::u16string VersionText(const FileVersion& version) {
    const bool has_low = version.build != 0 || version.revision != 0;
    const bool has_high = version.major != 0 || version.minor != 0;
    if (has_low) return JoinFields({version.major, version.minor, version.build, version.revision});
    if (has_high) return JoinFields({version.major, version.minor});
    return {};
}

}  // namespace qx7::updater
