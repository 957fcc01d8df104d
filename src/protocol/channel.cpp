#include "protocol/channel.h"

#include <algorithm>

#include "protocol/constants.h"
#include "protocol/sha256.h"
#include "transport/drive_commands.h"

namespace qx7::protocol {
namespace {

// Scratch size of one protected exchange.
constexpr std::size_t kSecureBufferSize = 512;
constexpr std::size_t kTokenSize = 4;
constexpr std::size_t kTokenTemplateOffset = 8;

bool ValidWireLength(std::uint32_t length) {
    return length > 0 && length <= kSecureBufferSize && length % kAesBlockSize == 0;
}

// Each channel field is exactly the answer of the command that fetches it.
static_assert(sizeof(ChannelKeys::channel_key) == transport::kChannelKeyRead.length);
static_assert(sizeof(ChannelKeys::token_index) == transport::kTokenIndexRead.length);
static_assert(sizeof(ChannelKeys::channel_check) == transport::kChannelCheckRead.length);

template <std::size_t N>
bool FetchInto(transport::ScsiDevice& device, const transport::DriveCommand& command,
               const transport::CommandTemplate& tmpl, std::span<const std::uint8_t, kAes256KeySize> key,
               std::array<std::uint8_t, N>& field) {
    field.fill(0);
    return SecureRead(device, command, tmpl, key, field, N);
}

}  // namespace

void DeriveIdKey(std::span<const std::uint8_t, 16> device_id, ChannelKeys& keys) { keys.id_key = Sha256(device_id); }

std::optional<std::array<std::uint8_t, 4>> CommandToken(const ChannelKeys& keys, int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= keys.token_index.size()) {
        return std::nullopt;
    }
    const std::size_t index = keys.token_index[static_cast<std::size_t>(position)];
    if (index + kTokenSize > keys.channel_key.size()) return std::nullopt;
    std::array<std::uint8_t, kTokenSize> token{};
    std::copy_n(keys.channel_key.begin() + static_cast<std::ptrdiff_t>(index), kTokenSize, token.begin());
    return token;
}

std::optional<transport::CommandTemplate> TokenTemplate(const ChannelKeys& keys, int position) {
    const auto token = CommandToken(keys, position);
    if (!token) return std::nullopt;
    transport::CommandTemplate tmpl{};
    std::copy(token->begin(), token->end(), tmpl.begin() + kTokenTemplateOffset);
    return tmpl;
}

bool SecureRead(transport::ScsiDevice& device, std::uint8_t code, const transport::CommandTemplate& tmpl,
                std::uint32_t length, std::span<const std::uint8_t, kAes256KeySize> key, std::span<std::uint8_t> out,
                std::size_t used) {
    if (!ValidWireLength(length) || used > length || used > out.size()) return false;
    std::array<std::uint8_t, kSecureBufferSize> buffer{};
    if (!transport::SystemCommandRead(device, code, tmpl, length, buffer)) return false;
    DecryptBlocks(buffer, buffer, key, static_cast<int>(length));
    std::copy_n(buffer.begin(), used, out.begin());
    return true;
}

bool SecureRead(transport::ScsiDevice& device, const transport::DriveCommand& command,
                const transport::CommandTemplate& tmpl, std::span<const std::uint8_t, kAes256KeySize> key,
                std::span<std::uint8_t> out, std::size_t used) {
    return SecureRead(device, command.code, tmpl, command.length, key, out, used);
}

SecureWriteResult SecureWrite(transport::ScsiDevice& device, std::span<const std::uint8_t> plaintext,
                              std::uint32_t wire_length, std::span<const std::uint8_t, kAes256KeySize> key,
                              const ChannelKeys& keys, int token_position) {
    if (!ValidWireLength(wire_length) || plaintext.size() > wire_length) return {};
    const auto tmpl = TokenTemplate(keys, token_position);
    if (!tmpl) return {};
    std::array<std::uint8_t, kSecureBufferSize> buffer{};
    std::copy(plaintext.begin(), plaintext.end(), buffer.begin());
    EncryptBlocks(buffer, buffer, key, static_cast<int>(wire_length));
    return {true, transport::SystemCommandWrite(device, *tmpl, wire_length, buffer)};
}

ChannelOpenResult OpenChannel(transport::ScsiDevice& device, ChannelKeys& keys) {
    ChannelOpenResult result;
    const transport::CommandTemplate zero_template{};
    result.channel_key = FetchInto(device, transport::kChannelKeyRead, zero_template, keys.id_key, keys.channel_key);
    result.token_index =
        FetchInto(device, transport::kTokenIndexRead, zero_template, keys.channel_key, keys.token_index);
    keys.channel_check.fill(0);
    if (const auto tmpl = TokenTemplate(keys, transport::kChannelCheckRead.token_position)) {
        result.channel_check =
            FetchInto(device, transport::kChannelCheckRead, *tmpl, keys.channel_key, keys.channel_check);
    }
    return result;
}

}  // namespace qx7::protocol
