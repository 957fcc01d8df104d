#pragma once
// The drive's encrypted command channel: the per-drive key chain and the
// protected reads and writes that use it.
//
// Key chain: id_key = SHA-256(device_id); channel_key arrives encrypted with
// id_key; token_index and channel_check arrive encrypted with channel_key.
// A protected command carries four bytes of channel_key, chosen by
// token_index, in bytes 8 to 11 of its command block.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "protocol/aes256.h"
#include "transport/command_blocks.h"
#include "transport/scsi_device.h"

namespace qx7::protocol {

struct ChannelKeys {
    Aes256Key id_key{};
    Aes256Key channel_key{};
    std::array<std::uint8_t, 16> token_index{};
    std::array<std::uint8_t, 32> channel_check{};  // fetched, never interpreted
};

// id_key <- SHA-256 of the 16-byte device id.
void DeriveIdKey(std::span<const std::uint8_t, 16> device_id, ChannelKeys& keys);

// Bytes channel_key[token_index[position]] to [+3]. Nothing when the
// position is outside 0..15 or its index would reach past channel_key (an
// index above 28): the command that needs the token is then not sent.
std::optional<std::array<std::uint8_t, 4>> CommandToken(const ChannelKeys& keys, int position);

// A command template carrying the token of `position` in bytes 8 to 11,
// every other byte zero; nothing when the token is unavailable.
std::optional<transport::CommandTemplate> TokenTemplate(const ChannelKeys& keys, int position);

// Reads `length` (a multiple of 16, at most 512) encrypted bytes with system
// command `code`, deciphers them with `key` and copies the first `used`
// bytes of the plaintext to `out`. On failure `out` is left as it was.
bool SecureRead(transport::ScsiDevice& device, std::uint8_t code, const transport::CommandTemplate& tmpl,
                std::uint32_t length, std::span<const std::uint8_t, kAes256KeySize> key, std::span<std::uint8_t> out,
                std::size_t used);

// The same for a system read row of the command table: its code and length.
bool SecureRead(transport::ScsiDevice& device, const transport::DriveCommand& command,
                const transport::CommandTemplate& tmpl, std::span<const std::uint8_t, kAes256KeySize> key,
                std::span<std::uint8_t> out, std::size_t used);

// What became of a protected write: whether anything reached the drive, and
// whether the drive accepted it. Converts to true only for an accepted write.
struct SecureWriteResult {
    bool sent = false;      // the pre-command went out (the drive may have refused it)
    bool accepted = false;  // the drive accepted the write
    explicit operator bool() const { return accepted; }
};

// Zero-extends `plaintext` to `wire_length` (a multiple of 16, at most 512),
// enciphers it with `key` and sends it as the system write, with the token
// of `token_position` in the template. Fails unsent when the token is
// unavailable or the lengths do not fit.
SecureWriteResult SecureWrite(transport::ScsiDevice& device, std::span<const std::uint8_t> plaintext,
                              std::uint32_t wire_length, std::span<const std::uint8_t, kAes256KeySize> key,
                              const ChannelKeys& keys, int token_position);

// Which of the three channel fetches succeeded.
struct ChannelOpenResult {
    bool channel_key = false;
    bool token_index = false;
    bool channel_check = false;
};

// Fetches channel_key, token_index and channel_check in that order. Each
// field is zeroed right before its fetch, so a failed fetch leaves zeros;
// a failed step does not stop the next ones.
ChannelOpenResult OpenChannel(transport::ScsiDevice& device, ChannelKeys& keys);

}  // namespace qx7::protocol
