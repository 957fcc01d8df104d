#include "protocol/read_sequence.h"

#include "protocol/constants.h"
#include "protocol/system_commands.h"

namespace qx7::protocol {
namespace {

using strings::StringId;

}  // namespace

DriveReading ReadDrive(transport::ScsiDevice& device, ChannelKeys& keys, std::u16string& serial_text,
                       std::ostream* diagnostics) {
    DriveReading reading;
    reading.identity_ok = ReadIdentity(device, keys, serial_text);
    reading.channel = OpenChannel(device, keys);

    std::array<std::uint8_t, kReadSettingsUsedLength> plaintext{};
    reading.settings_ok = ReadSettings(device, keys, plaintext, diagnostics);
    if (reading.settings_ok) {
        reading.settings = SettingsRecord::Decode(
            std::span<const std::uint8_t, SettingsRecord::kSize>(plaintext.data(), SettingsRecord::kSize));
    }

    std::array<std::uint8_t, kStatusLength> status{};
    reading.status_ok = ReadStatus(device, status);
    if (reading.status_ok) reading.status = DriveStatus::Decode(status);
    return reading;
}

std::vector<DriveMessage> ReadingMessages(const DriveReading& reading, strings::Language language) {
    std::vector<DriveMessage> messages;
    const std::pair<bool, std::uint8_t> fetches[] = {
        {reading.channel.channel_key, kCmdChannelKey},
        {reading.channel.token_index, kCmdTokenIndex},
        {reading.channel.channel_check, kCmdChannelCheck},
    };
    for (const auto& [ok, code] : fetches) {
        if (!ok) messages.push_back({SystemCommandFailureText(code), ErrorFocus::Exit});
    }
    if (!reading.settings_ok) {
        messages.push_back({strings::FormatResString(language, StringId::DriveNotDetected), ErrorFocus::Unchanged});
    }
    if (!reading.status_ok) {
        messages.push_back({strings::FormatResString(language, StringId::DriveNotDetected), ErrorFocus::Unchanged});
    }
    if (!reading.admin_mode()) {
        messages.push_back({strings::FormatResString(language, StringId::ConnectedWithUserPassword), ErrorFocus::Exit});
    }
    return messages;
}

}  // namespace qx7::protocol
