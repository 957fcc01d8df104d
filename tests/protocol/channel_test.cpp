#include <gtest/gtest.h>

#include <map>

#include "protocol/aes256.h"
#include "protocol/channel.h"
#include "protocol/constants.h"
#include "protocol/sha256.h"
#include "support/scripted_device.h"

namespace qx7::protocol {
namespace {

using test::CheckCondition;
using test::Good;
using test::Hex;
using test::ScriptedDevice;
using transport::ScsiRequest;

ChannelKeys KeysWithIndex(std::uint8_t first_index) {
    ChannelKeys keys;
    for (std::size_t i = 0; i < 32; ++i) keys.channel_key[i] = static_cast<std::uint8_t>(0xC0 + i);
    keys.token_index.fill(0);
    keys.token_index[0] = first_index;
    keys.token_index[1] = 28;
    keys.token_index[4] = 12;
    return keys;
}

TEST(CommandToken, FollowsTokenIndexAndNeverReadsPastTheKey) {
    const ChannelKeys keys = KeysWithIndex(5);
    const auto token0 = CommandToken(keys, 0);
    const auto token1 = CommandToken(keys, 1);
    ASSERT_TRUE(token0 && token1);
    EXPECT_EQ(Hex({token0->begin(), token0->end()}), "c5c6c7c8");
    EXPECT_EQ(Hex({token1->begin(), token1->end()}), "dcdddedf");
    EXPECT_FALSE(CommandToken(KeysWithIndex(29), 0));
    EXPECT_FALSE(CommandToken(KeysWithIndex(255), 0));
    EXPECT_FALSE(CommandToken(keys, -1));
    EXPECT_FALSE(CommandToken(keys, 16));

    const auto tmpl = TokenTemplate(keys, 4);
    ASSERT_TRUE(tmpl);
    EXPECT_EQ(Hex({tmpl->begin(), tmpl->end()}), "0000000000000000cccdcecf00000000");
}

// A drive that answers the channel commands with fixed key material,
// enciphered as a drive does it, and can be told to refuse some codes.
struct ChannelDrive {
    std::array<std::uint8_t, 16> device_id{};
    Aes256Key channel_key{};
    std::array<std::uint8_t, 16> token_index{};
    std::array<std::uint8_t, 32> check{};
    std::map<std::uint8_t, bool> refuse;
    // Key the 0x7D answer is enciphered with (normally channel_key).
    std::optional<Aes256Key> token_index_key;

    test::ScsiHandler Handler() {
        return [this](const ScsiRequest& r) {
            const std::uint8_t code = r.cdb[3];
            if (refuse[code]) return CheckCondition();
            std::vector<std::uint8_t> plain;
            Aes256Key key = channel_key;
            if (code == kCmdChannelKey) {
                plain.assign(channel_key.begin(), channel_key.end());
                key = Sha256(device_id);
            } else if (code == kCmdTokenIndex) {
                plain.assign(token_index.begin(), token_index.end());
                key = token_index_key.value_or(channel_key);
            } else if (code == kCmdChannelCheck) {
                plain.assign(check.begin(), check.end());
            }
            plain.resize(r.data.size());
            EncryptBlocks(r.data, plain, key, static_cast<int>(plain.size()));
            return Good(r.data.size());
        };
    }
};

ChannelDrive MakeDrive() {
    ChannelDrive drive;
    for (std::size_t i = 0; i < 16; ++i) drive.device_id[i] = static_cast<std::uint8_t>('A' + i);
    for (std::size_t i = 0; i < 32; ++i) drive.channel_key[i] = static_cast<std::uint8_t>(0x40 + 3 * i);
    for (std::size_t i = 0; i < 16; ++i) drive.token_index[i] = static_cast<std::uint8_t>(i + 9);
    drive.check.fill(0x3C);
    return drive;
}

TEST(OpenChannel, FetchesTheKeyChainInOrder) {
    ChannelDrive drive = MakeDrive();
    ScriptedDevice device(drive.Handler());
    ChannelKeys keys;
    DeriveIdKey(drive.device_id, keys);
    const ChannelOpenResult result = OpenChannel(device, keys);
    EXPECT_TRUE(result.channel_key && result.token_index && result.channel_check);
    EXPECT_EQ(keys.channel_key, drive.channel_key);
    EXPECT_EQ(keys.token_index, drive.token_index);
    EXPECT_EQ(keys.channel_check, drive.check);

    ASSERT_EQ(device.commands.size(), 3u);
    EXPECT_EQ(Hex(device.commands[0].cdb), "3c01ce7e200000000000000000000000");
    EXPECT_EQ(Hex(device.commands[1].cdb), "3c01ce7d100000000000000000000000");
    // Position 4 of token_index is 13: bytes channel_key[13..16].
    EXPECT_EQ(Hex(device.commands[2].cdb), "3c01ce0420000000676a6d7000000000");
}

TEST(OpenChannel, FailedStepsLeaveZerosAndTheRestIsStillSent) {
    ChannelDrive drive = MakeDrive();
    drive.refuse[kCmdChannelKey] = true;
    drive.token_index_key = Aes256Key{};  // the drive's answer happens to suit the zero key
    drive.token_index.fill(0);
    ScriptedDevice device(drive.Handler());
    ChannelKeys keys;
    keys.channel_key.fill(0xEE);  // stale material from an earlier drive
    keys.channel_check.fill(0xEE);
    const ChannelOpenResult result = OpenChannel(device, keys);
    EXPECT_FALSE(result.channel_key);
    EXPECT_TRUE(result.token_index);
    EXPECT_EQ(keys.channel_key, Aes256Key{});
    ASSERT_EQ(device.commands.size(), 3u);
    // The check is sent with the token taken from the zeroed key.
    EXPECT_EQ(Hex(device.commands[2].cdb), "3c01ce04200000000000000000000000");

    ChannelDrive refusing = MakeDrive();
    for (std::uint8_t code : {kCmdChannelKey, kCmdTokenIndex, kCmdChannelCheck}) refusing.refuse[code] = true;
    ScriptedDevice dead(refusing.Handler());
    keys.token_index.fill(0xEE);
    keys.channel_check.fill(0xEE);
    const ChannelOpenResult none = OpenChannel(dead, keys);
    EXPECT_FALSE(none.channel_key || none.token_index || none.channel_check);
    EXPECT_EQ(keys.token_index, decltype(keys.token_index){});
    EXPECT_EQ(keys.channel_check, decltype(keys.channel_check){});
}

TEST(OpenChannel, TokenIndexBeyondTheKeySkipsTheCheckUnsent) {
    ChannelDrive drive = MakeDrive();
    drive.token_index[4] = 29;
    ScriptedDevice device(drive.Handler());
    ChannelKeys keys;
    DeriveIdKey(drive.device_id, keys);
    const ChannelOpenResult result = OpenChannel(device, keys);
    EXPECT_TRUE(result.channel_key && result.token_index);
    EXPECT_FALSE(result.channel_check);
    EXPECT_EQ(device.commands.size(), 2u);
}

TEST(SecureRead, DecipheresAndCopiesOnlyTheUsedBytes) {
    Aes256Key key{};
    key[0] = 1;
    std::vector<std::uint8_t> plain(160);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i);
    ScriptedDevice device([&](const ScsiRequest& r) {
        EncryptBlocks(r.data, plain, key, 160);
        return Good(160);
    });
    std::vector<std::uint8_t> out(150, 0xEE);
    ASSERT_TRUE(SecureRead(device, kCmdReadSettings, {}, 160, key, out, 148));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 148),
              std::vector<std::uint8_t>(plain.begin(), plain.begin() + 148));
    EXPECT_EQ(out[148], 0xEE);

    ScriptedDevice refusing([](const ScsiRequest&) { return CheckCondition(); });
    std::vector<std::uint8_t> untouched(32, 0xEE);
    EXPECT_FALSE(SecureRead(refusing, kCmdChannelKey, {}, 32, key, untouched, 32));
    EXPECT_EQ(untouched, std::vector<std::uint8_t>(32, 0xEE));
    // Lengths the scratch buffer cannot hold, or not whole blocks, go unsent.
    EXPECT_FALSE(SecureRead(refusing, kCmdChannelKey, {}, 528, key, untouched, 32));
    EXPECT_FALSE(SecureRead(refusing, kCmdChannelKey, {}, 20, key, untouched, 20));
    EXPECT_EQ(refusing.commands.size(), 1u);
}

TEST(SecureWrite, EnciphersTheZeroExtendedPlaintextWithTheWriteToken) {
    ChannelKeys keys = KeysWithIndex(0);
    std::vector<std::uint8_t> plain(280);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(255 - i);
    ScriptedDevice device;
    ASSERT_TRUE(SecureWrite(device, plain, 288, keys.channel_key, keys, kTokenWriteSettings));
    ASSERT_EQ(device.commands.size(), 2u);
    EXPECT_EQ(Hex(device.commands[1].cdb), "3b01cd3120010000dcdddedf00000000");
    std::vector<std::uint8_t> sent = device.commands[1].data_out;
    ASSERT_EQ(sent.size(), 288u);
    DecryptBlocks(sent, sent, keys.channel_key, 288);
    plain.resize(288, 0);
    EXPECT_EQ(sent, plain);

    // A write that cannot be sent says so: nothing reached the drive.
    ScriptedDevice unsent;
    EXPECT_FALSE(SecureWrite(unsent, plain, 288, keys.channel_key, KeysWithIndex(0), 16).sent);
    ChannelKeys bad = KeysWithIndex(0);
    bad.token_index[1] = 30;
    EXPECT_FALSE(SecureWrite(unsent, plain, 288, bad.channel_key, bad, kTokenWriteSettings).sent);
    EXPECT_FALSE(SecureWrite(unsent, std::vector<std::uint8_t>(300), 288, keys.channel_key, keys, 1).sent);
    EXPECT_TRUE(unsent.commands.empty());

    // A write the drive refuses was sent and not accepted.
    ScriptedDevice refusing([](const transport::ScsiRequest&) { return CheckCondition(); });
    const SecureWriteResult refused = SecureWrite(refusing, plain, 288, keys.channel_key, keys, kTokenWriteSettings);
    EXPECT_TRUE(refused.sent);
    EXPECT_FALSE(refused.accepted);
    EXPECT_FALSE(refused);
}

}  // namespace
}  // namespace qx7::protocol
