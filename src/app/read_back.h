#pragma once
// The proof of an upload: the drive is opened and read again as for a first
// read, and what it holds is compared with what it was sent. Only what a
// drive shows can be compared: the settings record, when the write replaced
// it. Passwords and tags cannot be read back.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/host.h"
#include "editor/settings_difference.h"
#include "protocol/records.h"
#include "strings/string_table.h"
#include "transport/device_enumerator.h"
#include "transport/discovery.h"

namespace qx7::app {

enum class Verification {
    NotDone,           // nothing was written, or the run was not asked to read back
    Verified,          // read back, and every field compared holds what was sent
    NothingToCompare,  // read back; the write set only passwords or tags, which no drive shows
    Skipped,           // written, not read back (asked so)
    Failed,            // the read-back failed or found the drive holding something else
};

// "verified", "nothing to compare", "skipped", "failed"; empty for NotDone.
std::string_view VerificationName(Verification verification);

struct ReadBackResult {
    Verification verification = Verification::Failed;
    // Where the drive holds something else: `before` what was sent, `after`
    // what was found.
    std::vector<editor::FieldChange> mismatches;
    // Why it failed, one message (empty unless Failed).
    std::u16string message;
};

// Opens the drive of listed line `line` of `table` again, waits the pause a
// drive needs after opening (through `host`) and reads it (identity,
// channel, settings, status), then compares its settings with those of
// `written` when the write replaced them. The drive must identify itself
// with `serial`, the serial number it had when it was written. Sends
// nothing that writes. The reading's own messages, in `language`, join the
// reason when the settings could not be read.
ReadBackResult ReadBackWritten(transport::DeviceEnumerator& devices, const transport::DriveTable& table,
                               std::size_t line, Host& host, const protocol::SettingsUpload& written,
                               std::u16string_view serial, strings::Language language);

}  // namespace qx7::app
