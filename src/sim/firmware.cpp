#include "sim/firmware.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "protocol/aes256.h"
#include "protocol/constants.h"
#include "protocol/sha256.h"
#include "transport/command_table.h"

namespace qx7::sim {
namespace {

using protocol::kChangeAdminPassword;
using protocol::kChangeRfidTags;
using protocol::kChangeSettings;
using protocol::kChangeUserPassword;
using protocol::kCmdChannelCheck;
using protocol::kCmdChannelKey;
using protocol::kCmdIdentity;
using protocol::kCmdLastError;
using protocol::kCmdReadRfidTag;
using protocol::kCmdReadSettings;
using protocol::kCmdStatus;
using protocol::kCmdTokenIndex;
using protocol::kCmdWriteSettings;
using protocol::kStatusAdminUnlocked;
using protocol::kStatusRfidSupported;
using transport::DataDirection;
using transport::ScsiRequest;
using transport::ScsiResult;

using transport::kBufferIdBlock;
using transport::kBufferMemoryPage;
using transport::kBufferMemoryPageDirect;
using transport::kBufferPreCommand;
using transport::kBufferStateBlock;
using transport::kBufferSystemRead;
using transport::kBufferSystemWrite;
using transport::kOpInquiry;
using transport::kOpReadBuffer;
using transport::kOpWriteBuffer;
using transport::kVendorMode;

constexpr std::size_t kInquiryLength = transport::kInquiry.length;
constexpr std::uint32_t kPageSize = transport::kMemoryPageRead.length;
constexpr std::uint32_t kConfigAreaSize = 4096;
constexpr std::uint32_t kFirstBankPage = 0x1000;
constexpr std::uint32_t kSecondBankPage = 0x81000;
constexpr std::uint32_t kBankMirrorBit = 0x80000;

// What the firmware adds to each system command of the command table
// (which gives its buffer id, its one transfer length and the token position
// it must carry in bytes 8-11): whether it needs a keyed channel and whether
// a locked drive answers it. A system command without a rule here is
// unknown to the firmware.
struct FirmwareRule {
    const transport::DriveCommand* command;
    bool needs_channel;
    bool answered_locked;
};
constexpr FirmwareRule kFirmwareRules[] = {
    {&transport::kIdentityRead, false, true},     {&transport::kLastErrorRead, false, true},
    {&transport::kChannelCheckRead, true, false}, {&transport::kSettingsRead, true, false},
    {&transport::kStatusRead, false, true},       {&transport::kRfidTagRead, false, false},
    {&transport::kTokenIndexRead, true, false},   {&transport::kChannelKeyRead, false, false},
    {&transport::kSettingsWrite, true, false},
};

const FirmwareRule* RuleFor(const transport::DriveCommand* command) {
    if (command == nullptr || !command->IsSystemCommand()) return nullptr;
    for (const FirmwareRule& rule : kFirmwareRules) {
        if (rule.command->opcode == command->opcode && rule.command->buffer_id == command->buffer_id &&
            rule.command->code == command->code) {
            return &rule;
        }
    }
    return nullptr;
}

// The drive's blocks are exactly what the id-block and state-block reads move.
static_assert(sizeof(SimDrive::id_block) == transport::kIdBlockRead.length);
static_assert(sizeof(SimDrive::state_block) == transport::kStateBlockRead.length);

// Plaintext of the settings write (0x31), by offset.
constexpr std::size_t kWriteChangeMask = 0;
constexpr std::size_t kWriteCurrentAdmin = 4;
constexpr std::size_t kWriteNewAdmin = 36;
constexpr std::size_t kWriteNewUser = 68;
constexpr std::size_t kWriteSettings = 132;
constexpr std::size_t kWriteTagCount = 184;
constexpr std::size_t kWriteTags = 185;
constexpr std::size_t kPasswordField = 32;
constexpr std::size_t kTagSize = 19;
constexpr std::size_t kSettingsSize = 52;
// Settings byte holding the minimum password length.
constexpr std::size_t kSettingsMinPasswordLength = 16;

// Plaintext of the settings read (0x30): the record, then the stored tags
// (count and five slots, filling the 96 bytes the host does not interpret),
// then 12 zero bytes.
constexpr std::size_t kReadTagCount = 52;
constexpr std::size_t kReadTags = 53;
constexpr std::size_t kReadSettingsLength = transport::kSettingsRead.length;

constexpr std::size_t kTokenOffset = 8;
constexpr std::size_t kTokenSize = 4;
constexpr std::uint8_t kTokenIndexMax = 28;

ScsiResult Good(std::size_t transferred) { return {true, 0, static_cast<std::uint32_t>(transferred)}; }
ScsiResult Refused() { return {true, 2, 0}; }

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// A password field: the bytes before the first zero byte.
std::string PasswordText(std::span<const std::uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

std::uint32_t ConfigAreaBase(const SimDrive& drive) { return drive.id_block[2] >= 2 ? 0x0000u : 0x1000u; }

class CommandRun {
public:
    CommandRun(SimDrive& drive, FirmwareRuntime& runtime, const ScsiRequest& request, const RandomSource& random)
        : drive_(drive),
          runtime_(runtime),
          request_(request),
          random_(random),
          // Whatever this command is, it ends the announcement in force.
          announced_(std::exchange(runtime.announcement, std::nullopt)) {}

    FirmwareOutcome Run() {
        const ScsiResult result = Dispatch();
        return {result, drive_changed_};
    }

private:
    ScsiResult Dispatch() {
        switch (Cdb(0)) {
            case kOpInquiry: return Inquiry();
            case kOpReadBuffer:
                if (Cdb(1) != kVendorMode) return Refused();
                switch (Cdb(2)) {
                    case kBufferIdBlock: return FixedBlock(drive_.id_block);
                    case kBufferStateBlock: return FixedBlock(drive_.state_block);
                    case kBufferMemoryPage:
                    case kBufferMemoryPageDirect: return PageRead();
                    case kBufferSystemRead: return SystemCommandBlock();
                    default: return Refused();
                }
            case kOpWriteBuffer:
                if (Cdb(1) != kVendorMode) return Refused();
                switch (Cdb(2)) {
                    case kBufferPreCommand: return PreCommand();
                    case kBufferSystemWrite: return SystemCommandBlock();
                    default: return Refused();
                }
            default: return Refused();
        }
    }

    std::uint8_t Cdb(std::size_t i) const { return request_.cdb[i]; }
    std::size_t DataLength() const { return request_.data.size(); }

    bool Shaped(std::uint8_t cdb_length, DataDirection direction) const {
        return request_.cdb_length == cdb_length && request_.direction == direction;
    }

    // Sends `answer` as the data-in phase; the caller checked its length.
    ScsiResult Answer(std::span<const std::uint8_t> answer) {
        const std::size_t n = std::min(answer.size(), DataLength());
        std::copy_n(answer.begin(), n, request_.data.begin());
        return Good(n);
    }

    // True when the command right before this one was a pre-command naming
    // this block's buffer id with the checksum of its first ten bytes.
    bool Announced() const {
        if (!announced_ || announced_->buffer_id != Cdb(2)) return false;
        std::uint32_t sum = announced_->checksum;
        for (std::size_t i = 0; i < 10; i += 2) {
            sum += static_cast<std::uint32_t>(Cdb(i)) << 8 | Cdb(i + 1);
        }
        return (sum & 0xFFFFu) == 0;
    }

    ScsiResult Inquiry() {
        // Standard INQUIRY data only (no vital product data pages).
        if (!Shaped(6, DataDirection::In) || (Cdb(1) & 0x01) != 0 || Cdb(2) != 0) {
            return Refused();
        }
        std::array<std::uint8_t, kInquiryLength> data{};
        data[0] = 0x00;  // direct-access block device
        data[2] = 0x06;  // SPC-4
        data[3] = 0x02;  // response data format
        data[4] = kInquiryLength - 5;
        PutText(data, 8, 8, drive_.manufacturer);
        PutText(data, 16, 16, drive_.product);
        char revision[16];
        std::snprintf(revision, sizeof revision, "%u.%02u", unsigned{drive_.firmware[0]}, unsigned{drive_.firmware[1]});
        PutText(data, 32, 4, revision);
        const std::size_t allocation = static_cast<std::size_t>(Cdb(3)) << 8 | Cdb(4);
        return Answer(std::span(data).first(std::min(allocation, kInquiryLength)));
    }

    // ASCII field padded with spaces; bytes outside printable ASCII become '?'.
    static void PutText(std::span<std::uint8_t> out, std::size_t at, std::size_t width, const std::string& text) {
        for (std::size_t i = 0; i < width; ++i) {
            const auto c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
            out[at + i] = (c >= 0x20 && c < 0x7F) ? c : '?';
        }
    }

    // The id and state blocks: no allocation length in the block, so the
    // transfer length alone must be the block's size.
    template <std::size_t N>
    ScsiResult FixedBlock(const std::array<std::uint8_t, N>& block) {
        if (!Shaped(10, DataDirection::In) || DataLength() != N) return Refused();
        return Answer(block);
    }

    ScsiResult PreCommand() {
        if (!Shaped(10, DataDirection::None) || DataLength() != 0) return Refused();
        const std::uint8_t id = Cdb(3);
        if (!transport::IsAnnouncedBuffer(id)) return Refused();
        if (Cdb(6) != 'F' || Cdb(7) != 'M' || Cdb(8) != 'L' || Cdb(9) != 0) return Refused();
        runtime_.announcement = FirmwareRuntime::Announcement{id, static_cast<std::uint16_t>(Cdb(4) | Cdb(5) << 8)};
        return Good(0);
    }

    ScsiResult PageRead() {
        if (!Announced() || !Shaped(10, DataDirection::In)) return Refused();
        const std::uint32_t page_length = static_cast<std::uint32_t>(Cdb(7) | Cdb(8) << 8);
        if (page_length != kPageSize || DataLength() != kPageSize) return Refused();
        const std::uint32_t address = static_cast<std::uint32_t>(Cdb(4)) | static_cast<std::uint32_t>(Cdb(5)) << 8 |
                                      static_cast<std::uint32_t>(Cdb(6)) << 16;
        if (!IsReadablePage(drive_, address)) return Refused();
        return Answer(MemoryPage(drive_, address));
    }

    // A refused system command: CHECK CONDITION, and 0x02 reports why.
    ScsiResult Fail(std::uint8_t error_code) {
        runtime_.error_code = error_code;
        runtime_.failed_command = Cdb(3);
        return Refused();
    }

    bool TokenMatches(int position) const {
        if (!runtime_.channel_keyed) return false;
        const std::size_t index = runtime_.token_index[static_cast<std::size_t>(position)];
        if (index + kTokenSize > runtime_.channel_key.size()) return false;
        return std::equal(runtime_.channel_key.begin() + static_cast<std::ptrdiff_t>(index),
                          runtime_.channel_key.begin() + static_cast<std::ptrdiff_t>(index + kTokenSize),
                          request_.cdb.begin() + kTokenOffset);
    }

    // READ BUFFER 0xCE (system read, code in byte 3) and WRITE BUFFER 0xCD
    // (the settings write): the checks every system command goes through,
    // then the command itself.
    ScsiResult SystemCommandBlock() {
        const bool write = Cdb(2) == kBufferSystemWrite;
        if (write && !Announced()) return Fail(kErrorNotAnnounced);
        if (!Shaped(16, write ? DataDirection::Out : DataDirection::In)) {
            return Fail(kErrorMalformedCommand);
        }
        const FirmwareRule* rule = RuleFor(transport::FindDriveCommand(request_.cdb));
        if (rule == nullptr) return Fail(kErrorUnknownCommand);
        const transport::DriveCommand& command = *rule->command;
        const std::size_t length_field = static_cast<std::size_t>(Cdb(4) | Cdb(5) << 8);
        if (length_field != command.length || DataLength() != command.length) {
            return Fail(kErrorParameterSize);
        }
        if (drive_.mode == UnlockMode::Locked && !rule->answered_locked) {
            return Fail(kErrorDriveLocked);
        }
        if (rule->needs_channel && !runtime_.channel_keyed) return Fail(kErrorNoChannel);
        if (command.token_position >= 0 && !TokenMatches(command.token_position)) {
            return Fail(kErrorWrongToken);
        }
        switch (command.code) {
            case kCmdIdentity: return Identity();
            case kCmdLastError: return LastError();
            case kCmdChannelKey: return ChannelKey();
            case kCmdTokenIndex: return Encrypted(runtime_.token_index);
            case kCmdChannelCheck: return Encrypted(runtime_.channel_check);
            case kCmdReadSettings: return ReadSettings();
            case kCmdWriteSettings: return WriteSettings();
            case kCmdStatus: return Status();
            case kCmdReadRfidTag: return ReadTag();
            default: return Fail(kErrorUnknownCommand);
        }
    }

    ScsiResult Identity() {
        std::array<std::uint8_t, transport::kIdentityRead.length> answer{};
        answer[0] = drive_.firmware[0];
        answer[1] = drive_.firmware[1];
        // The two USB identifiers are the only big-endian fields.
        answer[2] = static_cast<std::uint8_t>(drive_.vendor_id >> 8);
        answer[3] = static_cast<std::uint8_t>(drive_.vendor_id);
        answer[4] = static_cast<std::uint8_t>(drive_.product_id >> 8);
        answer[5] = static_cast<std::uint8_t>(drive_.product_id);
        std::copy(drive_.device_id.begin(), drive_.device_id.end(), answer.begin() + 6);
        return Answer(answer);
    }

    ScsiResult LastError() {
        const std::array<std::uint8_t, transport::kLastErrorRead.length> answer{runtime_.error_code,
                                                                                runtime_.failed_command, 0, 0};
        return Answer(answer);
    }

    ScsiResult Status() {
        std::array<std::uint8_t, transport::kStatusRead.length> answer{};
        if (drive_.mode == UnlockMode::Admin) answer[0] |= kStatusAdminUnlocked;
        if (drive_.rfid_reader) answer[0] |= kStatusRfidSupported;
        return Answer(answer);
    }

    // A fresh channel: new key, token indexes and check bytes; the key goes
    // out enciphered with SHA-256 of the device id.
    ScsiResult ChannelKey() {
        random_(runtime_.channel_key);
        random_(runtime_.token_index);
        for (std::uint8_t& index : runtime_.token_index) index %= kTokenIndexMax + 1;
        random_(runtime_.channel_check);
        runtime_.channel_keyed = true;
        const protocol::Sha256Digest id_key = protocol::Sha256(drive_.device_id);
        std::array<std::uint8_t, transport::kChannelKeyRead.length> answer{};
        protocol::EncryptBlocks(answer, runtime_.channel_key, id_key, static_cast<int>(answer.size()));
        return Answer(answer);
    }

    template <std::size_t N>
    ScsiResult Encrypted(const std::array<std::uint8_t, N>& plain) {
        std::array<std::uint8_t, N> answer{};
        protocol::EncryptBlocks(answer, plain, runtime_.channel_key, static_cast<int>(N));
        return Answer(answer);
    }

    ScsiResult ReadSettings() {
        std::array<std::uint8_t, kReadSettingsLength> plain{};
        std::copy(drive_.settings.begin(), drive_.settings.end(), plain.begin());
        const std::size_t count = std::min(drive_.tags.size(), kSimStoredTagsMax);
        plain[kReadTagCount] = static_cast<std::uint8_t>(count);
        for (std::size_t i = 0; i < count; ++i) {
            std::copy(drive_.tags[i].begin(), drive_.tags[i].end(),
                      plain.begin() + static_cast<std::ptrdiff_t>(kReadTags + i * kTagSize));
        }
        return Encrypted(plain);
    }

    ScsiResult WriteSettings() {
        std::array<std::uint8_t, transport::kSettingsWrite.length> plain{};
        protocol::DecryptBlocks(plain, request_.data, runtime_.channel_key, static_cast<int>(plain.size()));
        const std::span<const std::uint8_t> bytes(plain);
        if (drive_.mode == UnlockMode::User) return Fail(kErrorUserMode);
        const std::string current = PasswordText(bytes.subspan(kWriteCurrentAdmin, kPasswordField));
        if (current != drive_.admin_password) return Fail(kErrorWrongAdminPassword);

        const std::uint32_t mask = Le32(bytes, kWriteChangeMask);
        const std::span<const std::uint8_t> settings = bytes.subspan(kWriteSettings, kSettingsSize);
        const std::size_t tag_count = plain[kWriteTagCount];
        if ((mask & kChangeRfidTags) != 0 && tag_count > kSimStoredTagsMax) {
            return Fail(kErrorParameterSize);
        }
        const std::string new_admin = PasswordText(bytes.subspan(kWriteNewAdmin, kPasswordField));
        if ((mask & kChangeAdminPassword) != 0) {
            // The minimum in force after this write: the uploaded record's
            // when the write replaces the settings, else the stored one.
            const std::size_t minimum = (mask & kChangeSettings) != 0 ? settings[kSettingsMinPasswordLength]
                                                                      : drive_.settings[kSettingsMinPasswordLength];
            if (new_admin.empty() || new_admin.size() < minimum) {
                return Fail(kErrorAdminPasswordRefused);
            }
        }

        if (drive_.drops_writes) {
            runtime_.error_code = 0;
            runtime_.failed_command = 0;
            return Good(plain.size());
        }
        if ((mask & kChangeAdminPassword) != 0) Store(drive_.admin_password, new_admin);
        if ((mask & kChangeUserPassword) != 0) {
            Store(drive_.user_password, PasswordText(bytes.subspan(kWriteNewUser, kPasswordField)));
        }
        if ((mask & kChangeSettings) != 0) {
            std::array<std::uint8_t, kSettingsSize> record{};
            std::copy(settings.begin(), settings.end(), record.begin());
            Store(drive_.settings, record);
        }
        if ((mask & kChangeRfidTags) != 0) {
            std::vector<SimTag> tags(tag_count);
            for (std::size_t i = 0; i < tag_count; ++i) {
                std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(kWriteTags + i * kTagSize), kTagSize,
                            tags[i].begin());
            }
            Store(drive_.tags, std::move(tags));
        }
        runtime_.error_code = 0;
        runtime_.failed_command = 0;
        return Good(plain.size());
    }

    ScsiResult ReadTag() {
        if (!drive_.rfid_reader) return Fail(kErrorNoReader);
        if (drive_.reader_queue.empty()) return Fail(kErrorNoTag);
        const SimTag tag = drive_.reader_queue.front();
        drive_.reader_queue.pop_front();
        drive_changed_ = true;
        return Answer(tag);
    }

    // Stores `value` in a field of the drive, noting whether that changed it
    // (a write of what the drive already holds leaves the file alone).
    template <typename T>
    void Store(T& field, T value) {
        if (field == value) return;
        field = std::move(value);
        drive_changed_ = true;
    }

    SimDrive& drive_;
    FirmwareRuntime& runtime_;
    const ScsiRequest& request_;
    const RandomSource& random_;
    const std::optional<FirmwareRuntime::Announcement> announced_;
    bool drive_changed_ = false;
};

}  // namespace

void SystemRandom(std::span<std::uint8_t> out) {
    std::random_device device;
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::uint8_t& b : out) b = static_cast<std::uint8_t>(byte(device));
}

RandomSource SeededRandom(std::uint32_t seed) {
    // Shared between the copies std::function makes of the source.
    auto counter = std::make_shared<std::uint64_t>(0);
    return [seed, counter](std::span<std::uint8_t> out) {
        std::size_t filled = 0;
        while (filled < out.size()) {
            std::array<std::uint8_t, 12> input{};
            for (int i = 0; i < 4; ++i) input[i] = static_cast<std::uint8_t>(seed >> (8 * i));
            for (int i = 0; i < 8; ++i) input[4 + i] = static_cast<std::uint8_t>(*counter >> (8 * i));
            ++*counter;
            const protocol::Sha256Digest block = protocol::Sha256(input);
            const std::size_t take = std::min(block.size(), out.size() - filled);
            std::copy_n(block.begin(), take, out.begin() + static_cast<std::ptrdiff_t>(filled));
            filled += take;
        }
    };
}

bool IsReadablePage(const SimDrive& drive, std::uint32_t address) {
    if (address % kPageSize != 0) return false;
    const std::uint32_t base = ConfigAreaBase(drive);
    return (address >= base && address < base + kConfigAreaSize) || address == kFirstBankPage ||
           address == kSecondBankPage;
}

std::array<std::uint8_t, 1024> MemoryPage(const SimDrive& drive, std::uint32_t address) {
    std::uint32_t effective = address & 0xFFFFFFu;
    if (drive.languages == 4) effective &= ~kBankMirrorBit;
    // Each 32-byte run is SHA-256 of "QX7 memory", the device id and the
    // run's address (big-endian).
    std::array<std::uint8_t, 1024> page{};
    std::array<std::uint8_t, 10 + 16 + 4> seed{'Q', 'X', '7', ' ', 'm', 'e', 'm', 'o', 'r', 'y'};
    std::copy(drive.device_id.begin(), drive.device_id.end(), seed.begin() + 10);
    for (std::size_t run = 0; run < page.size(); run += protocol::kSha256DigestSize) {
        const std::uint32_t at = effective + static_cast<std::uint32_t>(run);
        for (std::size_t i = 0; i < 4; ++i) seed[26 + i] = static_cast<std::uint8_t>(at >> (24 - 8 * i));
        const protocol::Sha256Digest digest = protocol::Sha256(seed);
        std::copy(digest.begin(), digest.end(), page.begin() + static_cast<std::ptrdiff_t>(run));
    }
    return page;
}

FirmwareOutcome RunFirmwareCommand(SimDrive& drive, FirmwareRuntime& runtime, const transport::ScsiRequest& request,
                                   const RandomSource& random) {
    return CommandRun(drive, runtime, request, random).Run();
}

}  // namespace qx7::sim
