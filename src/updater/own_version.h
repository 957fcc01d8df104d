#pragma once
// The program's own file version and the text the update check shows for it.

#include <cstdint>
#include <string>

namespace qx7::updater {

// A four-part file version; each part is one 16-bit word of the version
// resource.
struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
};

// The version this program was built as (2.3.3.1 for this release).
FileVersion CompiledFileVersion();

// "major.minor.build.revision", or only "major.minor" when build and
// revision are both 0. Empty for 0.0.0.0, which stands for "no version".
std::u16string VersionText(const FileVersion& version);

}  // namespace qx7::updater
