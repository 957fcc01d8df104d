#pragma once
// The drive-facing steps of reading a freshly opened drive: identity, the
// channel's key chain, the settings and the status, each attempted even when
// an earlier one failed, as the drive is read for the main form.

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "protocol/channel.h"
#include "protocol/drive_messages.h"
#include "protocol/records.h"
#include "strings/string_table.h"
#include "transport/scsi_device.h"

namespace qx7::protocol {

struct DriveReading {
    bool identity_ok = false;
    ChannelOpenResult channel;
    bool settings_ok = false;
    SettingsRecord settings;  // valid when settings_ok
    bool status_ok = false;
    DriveStatus status;  // all zero unless status_ok

    // The form may be unlocked: the settings were read and the drive says it
    // was unlocked with the administrator password.
    bool admin_mode() const { return settings_ok && status_ok && status.admin_unlocked(); }
    bool all_commands_ok() const {
        return identity_ok && channel.channel_key && channel.token_index && channel.channel_check && settings_ok &&
               status_ok;
    }
};

// Runs the steps on `device`. `keys` and `serial_text` change as the steps
// succeed (a rejected identity keeps the earlier ones; each channel field is
// cleared before its fetch). The settings-read diagnostic goes to
// `diagnostics` (standard output when null).
DriveReading ReadDrive(transport::ScsiDevice& device, ChannelKeys& keys, std::u16string& serial_text,
                       std::ostream* diagnostics = nullptr);

// The messages the administrator is shown for a reading, in the order they
// appear: one per failed channel fetch (focus on Exit), the "cannot be
// detected" text for a failed settings read and again for a failed status
// query, and the user-password text when the form stays locked (focus on
// Exit). A failed identity shows nothing.
std::vector<DriveMessage> ReadingMessages(const DriveReading& reading, strings::Language language);

}  // namespace qx7::protocol
