#include "protocol/system_commands.h"

#include <algorithm>
#include <iostream>

#include "protocol/records.h"
#include "transport/drive_commands.h"

namespace qx7::protocol {
namespace {

// The records are exactly the answers of the commands that read them.
static_assert(DriveIdentity::kSize == transport::kIdentityRead.length);
static_assert(LastError::kSize == transport::kLastErrorRead.length);
static_assert(DriveStatus::kSize == transport::kStatusRead.length);
static_assert(RfidTag::kSize == transport::kRfidTagRead.length);

constexpr std::uint32_t kFirstBankPage = 0x1000;
constexpr std::uint32_t kSecondBankPage = 0x81000;
constexpr char kSettingsReadDiagnostic[] = "Error get QX7 system Setup !, Please check QX7 F/W Version or H/W.\n";

bool IsQx7(const DriveIdentity& identity) {
    return identity.usb_vendor_id == kQx7VendorId &&
           (identity.usb_product_id == kQx7ProductId || identity.usb_product_id == kQx7FipsProductId);
}

}  // namespace

bool ReadIdentity(transport::ScsiDevice& device, ChannelKeys& keys, std::u16string& serial_text) {
    std::array<std::uint8_t, DriveIdentity::kSize> answer{};
    if (!transport::SystemCommandRead(device, transport::kIdentityRead, {}, answer)) {
        return false;
    }
    const DriveIdentity identity = DriveIdentity::Decode(answer);
    if (!IsQx7(identity)) return false;
    serial_text.assign(identity.device_id.begin(), identity.device_id.end());
    DeriveIdKey(identity.device_id, keys);
    return true;
}

bool ReadSettings(transport::ScsiDevice& device, const ChannelKeys& keys,
                  std::span<std::uint8_t, kReadSettingsUsedLength> out, std::ostream* diagnostics) {
    const auto tmpl = TokenTemplate(keys, transport::kSettingsRead.token_position);
    if (tmpl && SecureRead(device, transport::kSettingsRead, *tmpl, keys.channel_key, out, kReadSettingsUsedLength)) {
        return true;
    }
    std::ostream& stream = diagnostics ? *diagnostics : std::cout;
    stream << kSettingsReadDiagnostic << std::flush;
    return false;
}

bool ReadStatus(transport::ScsiDevice& device, std::span<std::uint8_t, kStatusLength> out) {
    return transport::SystemCommandRead(device, transport::kStatusRead, {}, out);
}

bool ReadLastError(transport::ScsiDevice& device, std::span<std::uint8_t, kLastErrorLength> out) {
    return transport::SystemCommandRead(device, transport::kLastErrorRead, {}, out);
}

bool ReadRfidTag(transport::ScsiDevice& device, std::span<std::uint8_t, kRfidTagLength> out) {
    return transport::SystemCommandRead(device, transport::kRfidTagRead, {}, out);
}

bool PageBanksDiffer(transport::ScsiDevice& device) {
    std::array<std::uint8_t, transport::kMemoryPageSize> first{};
    std::array<std::uint8_t, transport::kMemoryPageSize> second{};
    transport::ReadMemoryPageDirect(device, kFirstBankPage, first);
    transport::ReadMemoryPageDirect(device, kSecondBankPage, second);
    return first != second;
}

}  // namespace qx7::protocol
