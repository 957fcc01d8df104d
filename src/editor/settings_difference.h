#pragma once
// What differs between two settings records, field by field, in the terms
// the form and its JSON use: the review of an upload before it is sent
// (the drive's record now against the one the upload would send) and the
// proof after it (the record sent against the one read back) are the same
// comparison.

#include <string>
#include <vector>

#include "protocol/records.h"

namespace qx7::editor {

// One field that differs: its name (the form key that sets it, where there
// is one) and its value on each side, as text ("enable", "French", "30",
// "0x1804", "2026-12-11-09").
struct FieldChange {
    std::string field;
    std::string before;
    std::string after;

    bool operator==(const FieldChange&) const = default;
};

// The fields of the record that an upload decides, in the form's order,
// where `before` and `after` differ: the switches of the radio pairs, the
// Centrawatch administrator mode and the user-password flag, the self
// destruct limit, the minimum password length, the three languages, the
// password class, the auto-lock delay, the block-menu mask and the setup
// ID. Bytes the upload only carries over (the reserved bytes and the policy
// bits nothing names) are not compared: the drive, not the upload, owns
// them.
std::vector<FieldChange> SettingsDifference(const protocol::SettingsRecord& before,
                                            const protocol::SettingsRecord& after);

// What the settings write `upload` changes on a drive whose record is
// `drive`: the record's fields when the write replaces the settings, then
// one entry for each password it sets and for the tag list it replaces,
// whose values no drive shows (`before` is "(not readable)").
std::vector<FieldChange> UploadChanges(const protocol::SettingsRecord& drive, const protocol::SettingsUpload& upload);

}  // namespace qx7::editor
