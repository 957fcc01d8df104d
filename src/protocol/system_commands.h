#pragma once
// The plain and protected system commands a read of a drive runs, and the
// memory-bank probe that tells four-language drives from six-language ones.
// They return true on success, show nothing and never retry; the caller
// chooses the message.

#include <array>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>

#include "protocol/channel.h"
#include "protocol/constants.h"
#include "transport/scsi_device.h"

namespace qx7::protocol {

// Sends kCmdIdentity and accepts the answer only from a QX7 (vendor 0x230A,
// product 0x1180 or 0x1181). On acceptance `serial_text` becomes the 16
// device-id bytes as code points 0-255 and id_key is derived from them; on
// any failure neither changes.
bool ReadIdentity(transport::ScsiDevice& device, ChannelKeys& keys, std::u16string& serial_text);

// The protected settings read: 148 plaintext bytes into `out`, of which
// bytes 0-51 are the SettingsRecord. On failure `out` is left as it was and
// a diagnostic line goes to `diagnostics` (standard output by default).
bool ReadSettings(transport::ScsiDevice& device, const ChannelKeys& keys,
                  std::span<std::uint8_t, kReadSettingsUsedLength> out, std::ostream* diagnostics = nullptr);

// kCmdStatus (32 bytes) and kCmdLastError (4 bytes) into buffers the caller
// cleared; untouched on failure.
bool ReadStatus(transport::ScsiDevice& device, std::span<std::uint8_t, kStatusLength> out);
bool ReadLastError(transport::ScsiDevice& device, std::span<std::uint8_t, kLastErrorLength> out);

// kCmdReadRfidTag: the next tag the drive's reader presents, 19 plain
// bytes into `out`; untouched on failure.
bool ReadRfidTag(transport::ScsiDevice& device, std::span<std::uint8_t, kRfidTagLength> out);

// True when the drive's memory pages at 0x1000 and 0x81000 differ. A failed
// page read counts as a zero page, so two failed reads compare equal.
bool PageBanksDiffer(transport::ScsiDevice& device);

}  // namespace qx7::protocol
