// The encrypted configuration file: its bytes against a plaintext written by
// hand from the field table, the refusal of files that are not one, and a
// save that never leaves a broken file behind.

#include "storage/config_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string_view>
#include <vector>

#include "protocol/sha256.h"
#include "storage/file_size_limit.h"
#include "support/temp_folder.h"

namespace qx7::storage {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Record = std::array<std::uint8_t, kConfigFileSize>;

protocol::Aes256Key KeyOf(std::string_view phrase) {
    return protocol::Sha256({reinterpret_cast<const std::uint8_t*>(phrase.data()), phrase.size()});
}

const protocol::Aes256Key kFileKey = KeyOf("Lantern Harbor Cfg Phrase. WX42Q");

void Put(Record& r, std::size_t at, std::string_view text) { std::copy(text.begin(), text.end(), r.begin() + at); }
void PutLe32(Record& r, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The plaintext of a file, byte by byte from the field table. Every field,
// reserved ones included, holds a distinct value so that a shifted or
// swapped field shows up. The new administrator password fills all 32 bytes.
Record HandMadePlaintext(std::uint8_t trailer) {
    Record r{};
    r[0] = 0x00, r[1] = 0x00, r[2] = 0x00, r[3] = 0x03;
    Put(r, 4, "QX7 Config Data");  // byte 19 stays zero
    for (std::size_t i = 0; i < 16; ++i) r[20 + i] = static_cast<std::uint8_t>(0xA0 + i);
    PutLe32(r, 36, 0x0001E000);
    Put(r, 40, "Current#1");
    Put(r, 72, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    PutLe32(r, 104, 32);
    Put(r, 108, "user-pw");
    for (std::size_t i = 0; i < 52; ++i) r[140 + i] = static_cast<std::uint8_t>(0x40 + i);
    for (std::size_t slot = 0; slot < 5; ++slot) {
        const std::size_t at = 192 + 19 * slot;
        for (std::size_t j = 0; j < 16; ++j) r[at + j] = static_cast<std::uint8_t>((slot + 1) << 4 | j);
        r[at + 16] = static_cast<std::uint8_t>(4 + slot);
        r[at + 17] = static_cast<std::uint8_t>(0xE0 + slot);
        r[at + 18] = static_cast<std::uint8_t>(0xF0 + slot);
    }
    r[287] = 0x5A;
    PutLe32(r, 288, 1);
    PutLe32(r, 292, 2);
    PutLe32(r, 296, 3);
    r[300] = 5;
    r[301] = 0x61, r[302] = 0x62, r[303] = 0x63;
    for (std::size_t i = 304; i < 320; ++i) r[i] = trailer;
    return r;
}

template <std::size_t N>
std::array<std::uint8_t, N> Text(std::string_view text) {
    std::array<std::uint8_t, N> out{};
    std::copy(text.begin(), text.end(), out.begin());
    return out;
}

// The payload HandMadePlaintext holds, written field by field.
ConfigFilePayload HandMadePayload() {
    ConfigFilePayload p;
    p.format_version = 0x03000000;
    p.banner = Text<16>("QX7 Config Data");
    for (std::size_t i = 0; i < 16; ++i) p.reserved_header[i] = static_cast<std::uint8_t>(0xA0 + i);
    p.change_mask = 0x0001E000;
    p.current_admin_password = Text<32>("Current#1");
    p.new_admin_password = Text<32>("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    p.new_admin_password_length = 32;
    p.new_user_password = Text<32>("user-pw");
    std::array<std::uint8_t, protocol::SettingsRecord::kSize> settings{};
    for (std::size_t i = 0; i < settings.size(); ++i) settings[i] = static_cast<std::uint8_t>(0x40 + i);
    p.settings = protocol::SettingsRecord::Decode(settings);
    for (std::size_t slot = 0; slot < 5; ++slot) {
        for (std::size_t j = 0; j < 16; ++j) {
            p.tags_by_slot[slot].uid[j] = static_cast<std::uint8_t>((slot + 1) << 4 | j);
        }
        p.tags_by_slot[slot].uid_length = static_cast<std::uint8_t>(4 + slot);
        p.tags_by_slot[slot].reserved_17 = {static_cast<std::uint8_t>(0xE0 + slot),
                                            static_cast<std::uint8_t>(0xF0 + slot)};
    }
    p.reserved_287 = 0x5A;
    p.admin_tag = {1, 2, 3};
    p.tag_count = 5;
    p.reserved_301 = {0x61, 0x62, 0x63};
    return p;
}

Record Encrypt(const Record& plain, const protocol::Aes256Key& key) {
    Record out{};
    protocol::EncryptRecord320(out, plain, key);
    return out;
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the system's temporary directory, removed afterwards.
class ConfigFileTest : public ::testing::Test {
protected:
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    qx7::test::TempFolder temp_{"qx7cfg"};
    const std::filesystem::path& folder_ = temp_.path();
};

TEST_F(ConfigFileTest, HandMadeFileDecodesEveryFieldAndIsRefusedAsDamaged) {
    const Record file = Encrypt(HandMadePlaintext(0xCC), kFileKey);

    const ConfigFilePayload payload = DecryptConfigFile(file);

    EXPECT_EQ(payload, HandMadePayload());
    // The embedded records sit at their offsets (140 and 192), not just
    // somewhere the codec agrees with itself.
    EXPECT_EQ(payload.settings.policy_flags, 0x43424140u);
    EXPECT_EQ(payload.settings.setup_id, 0x73727170u);
    EXPECT_EQ(payload.tags_by_slot[4].uid[0], 0x50);
    EXPECT_EQ(payload.tags_by_slot[4].reserved_17[1], 0xF4);
    // Its reserved bytes are not zero: no program wrote it.
    const fs::path path = folder_ / "hand.qx7";
    WriteBytes(path, file);
    EXPECT_EQ(LoadConfigFile(path).error, ConfigFileError::Damaged);
}

TEST_F(ConfigFileTest, SavedFileIsTheTablePlaintextUnderTheFixedKey) {
    ConfigFilePayload payload = HandMadePayload();
    payload.format_version = 0;  // the save stamps the header itself
    payload.banner = {};
    const fs::path path = folder_ / "saved.qx7";

    ASSERT_EQ(SaveConfigFile(path, payload), ConfigFileError::None);

    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 320u);
    Record plain{};
    protocol::DecryptRecord320(plain, std::span<const std::uint8_t, 320>(file.data(), 320), kFileKey);
    EXPECT_EQ(plain, HandMadePlaintext(0x00));
    EXPECT_EQ(Entries(), std::vector<std::string>{"saved.qx7"});
}

TEST_F(ConfigFileTest, SaveIsRepeatableAndLoadsBack) {
    const ConfigFilePayload payload = HandMadePayload();  // 32-character new password
    ASSERT_EQ(SaveConfigFile(folder_ / "a.qx7", payload), ConfigFileError::None);
    ASSERT_EQ(SaveConfigFile(folder_ / "b.qx7", payload), ConfigFileError::None);
    EXPECT_EQ(ReadBytes(folder_ / "a.qx7"), ReadBytes(folder_ / "b.qx7"));

    const Bytes file = ReadBytes(folder_ / "a.qx7");
    ASSERT_EQ(file.size(), kConfigFileSize);
    const ConfigFilePayload read = DecryptConfigFile(std::span<const std::uint8_t, kConfigFileSize>(file.data(), 320));
    EXPECT_EQ(read, payload);
    EXPECT_EQ(std::string(read.new_admin_password.begin(), read.new_admin_password.end()),
              "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
}

TEST_F(ConfigFileTest, SaveReplacesAnEarlierFile) {
    const fs::path path = folder_ / "S123.qx7";
    ConfigFilePayload first = HandMadePayload();
    ConfigFilePayload second = first;
    second.change_mask = 0x2000;
    ASSERT_EQ(SaveConfigFile(path, first), ConfigFileError::None);
    ASSERT_EQ(SaveConfigFile(path, second), ConfigFileError::None);

    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), kConfigFileSize);
    EXPECT_EQ(DecryptConfigFile(std::span<const std::uint8_t, kConfigFileSize>(file.data(), 320)).change_mask, 0x2000u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"S123.qx7"});
}

TEST_F(ConfigFileTest, RefusesWhatIsNotAConfigurationFile) {
    const Record good = Encrypt(HandMadePlaintext(0), kFileKey);
    Bytes random(320);
    std::mt19937 generator(7);
    for (auto& b : random) b = static_cast<std::uint8_t>(generator());
    Bytes longer(good.begin(), good.end());
    longer.push_back(0);  // a good file and one byte more: the length alone refuses it
    const Record other_key = Encrypt(HandMadePlaintext(0), KeyOf("Another pass phrase, 32 bytes.!!"));
    const auto file_of = [](Bytes bytes) { return [=](const fs::path& p) { WriteBytes(p, bytes); }; };

    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;  // nothing made: no file
        ConfigFileError error;
    };
    const Case cases[] = {
        {"319 bytes", file_of(Bytes(good.begin(), good.begin() + 319)), ConfigFileError::InvalidLength},
        {"321 bytes", file_of(longer), ConfigFileError::InvalidLength},
        {"empty", file_of({}), ConfigFileError::InvalidLength},
        {"random 320 bytes", file_of(random), ConfigFileError::NotAConfigFile},
        {"another key", file_of(Bytes(other_key.begin(), other_key.end())), ConfigFileError::NotAConfigFile},
        {"missing", [](const fs::path&) {}, ConfigFileError::CannotOpen},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }, ConfigFileError::CannotOpen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = folder_ / c.name;
        c.make(path);
        const LoadedConfigFile loaded = LoadConfigFile(path);
        EXPECT_EQ(loaded.error, c.error);
        EXPECT_EQ(loaded.payload, ConfigFilePayload{});
    }
}

TEST(ConfigFileMessage, NamesThePathOrTheStringTableEntry) {
    const fs::path path = "/home/admin/QX7 files/S1.qx7";
    const auto message = [&](ConfigFileError e) { return ConfigFileErrorMessage(e, path, strings::Language::English); };
    EXPECT_EQ(message(ConfigFileError::None), u"");
    EXPECT_EQ(message(ConfigFileError::CannotCreate),
              u"Fail !, Can not create output file. ( /home/admin/QX7 files/S1.qx7 )");
    EXPECT_EQ(message(ConfigFileError::CannotOpen), u"Fail !, Can not open file. ( /home/admin/QX7 files/S1.qx7 )");
    EXPECT_EQ(message(ConfigFileError::InvalidLength),
              u"Fail !, Invalid file length. ( /home/admin/QX7 files/S1.qx7 )");
    EXPECT_EQ(message(ConfigFileError::NotAConfigFile), u"Failed!\nCan't find QX7 Settings data file.");
    EXPECT_EQ(ConfigFileErrorMessage(ConfigFileError::NotAConfigFile, path, strings::Language::Korean),
              strings::FormatResString(strings::Language::Korean, strings::StringId::SettingsFileNotFound));
}

TEST_F(ConfigFileTest, SaveThatCannotCreateTheFileLeavesNothingBehind) {
    struct Case {
        const char* name;
        std::function<fs::path()> target;
    };
    const Case cases[] = {
        {"missing folder", [&] { return folder_ / "missing" / "S1.qx7"; }},
        {"parent is a file",
         [&] {
             WriteBytes(folder_ / "plain", Bytes{1, 2, 3});
             return folder_ / "plain" / "S1.qx7";
         }},
        {"target is a folder",
         [&] {
             fs::create_directory(folder_ / "S1.qx7");
             return folder_ / "S1.qx7";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path target = c.target();
        const std::vector<std::string> before = Entries();
        EXPECT_EQ(SaveConfigFile(target, HandMadePayload()), ConfigFileError::CannotCreate);
        EXPECT_EQ(Entries(), before);
        fs::remove_all(folder_);
        fs::create_directory(folder_);
    }
}

TEST_F(ConfigFileTest, FailedWriteKeepsTheEarlierFile) {
    const fs::path path = folder_ / "S1.qx7";
    ASSERT_EQ(SaveConfigFile(path, HandMadePayload()), ConfigFileError::None);
    const Bytes earlier = ReadBytes(path);
    ConfigFilePayload other = HandMadePayload();
    other.change_mask = 0;

    ConfigFileError error = ConfigFileError::None;
    {
        test::FileSizeLimit limit(100);  // the write stops after 100 of 320 bytes
        if (!limit.active()) GTEST_SKIP() << limit.why();
        error = SaveConfigFile(path, other);
    }

    EXPECT_EQ(error, ConfigFileError::CannotCreate);
    EXPECT_EQ(ReadBytes(path), earlier);
    EXPECT_EQ(Entries(), std::vector<std::string>{"S1.qx7"});
}

}  // namespace
}  // namespace qx7::storage
