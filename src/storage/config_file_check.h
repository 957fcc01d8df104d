#pragma once
// Whether a deciphered configuration file is one the program could have
// written. The file has no checksum, so damage (a flipped bit on disk, or in
// the ciphertext, which scrambles a whole 16-byte block) shows only where the
// program's output is fixed: bytes it always writes as zero, fields it fills
// only together with a change-mask bit, combinations of settings that every
// gathered form has, a setup ID that is not a date and hour, values outside
// what their field can hold.
//
// Deliberately not checked, because a file the program wrote may hold them:
// bytes carried over from a drive (reserved bytes of the settings record,
// policy and block-menu bits the form does not own, the bytes of a tag), the
// current administrator password (any text the field took), and values a
// drive may have sent outside the form's ranges (the window still saves them
// after showing its range message; apply refuses them before any drive).

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "storage/config_file.h"

namespace qx7::storage {

// The 16 bytes after the payload; the program writes them as zero.
using ConfigFileTrailer = std::array<std::uint8_t, kConfigFileSize - ConfigFilePayload::kSize>;

// Nothing when the program could have written `payload` and `trailer`;
// otherwise the first problem in file order, naming the field and what is
// wrong with it, e.g. "reserved_header byte 3 (file byte 23) is 0x40 where
// the program writes 0".
std::optional<std::string> FindConfigFileDamage(const ConfigFilePayload& payload, const ConfigFileTrailer& trailer);

}  // namespace qx7::storage
