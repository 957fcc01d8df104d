#pragma once
// Comparison of dotted version numbers such as "2.3.4.0", as held by the
// update server's manifest and by the program's own file version.

#include <string_view>

namespace qx7::updater {

// Results of CompareVersions besides 1, 0 and -1.
inline constexpr int kFirstVersionMalformed = -21;
inline constexpr int kSecondVersionMalformed = -22;

// Compares two versions of up to four fields (major, minor, build,
// revision); missing fields count as 0. Returns 1 when `first` is greater,
// 0 when both are equal, -1 when `first` is smaller, kFirstVersionMalformed
// or kSecondVersionMalformed when that string is not a version (checked in
// that order).
//
// A version is split at '.', and empty pieces are skipped, so "2..4." reads
// as 2.4. It is malformed when it has no field, more than four fields, or a
// field holding anything but the digits 0-9 (a sign, a space or a line end
// included). A field above 2147483647 counts as 2147483647.
int CompareVersions(std::u16string_view first, std::u16string_view second);

// Whether `text` is a version in the sense above (CompareVersions would not
// call it malformed).
bool IsVersion(std::u16string_view text);

}  // namespace qx7::updater
