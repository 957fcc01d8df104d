// When a session writes its state file: after a command that changed what
// the file holds, and never after one that did not.

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "protocol/channel.h"
#include "protocol/constants.h"
#include "protocol/records.h"
#include "protocol/system_commands.h"
#include "sim/sim_session.h"
#include "sim/state_file.h"
#include "support/temp_folder.h"
#include "transport/drive_commands.h"

namespace qx7::sim {
namespace {

using protocol::kChangeAdminPassword;
using protocol::kChangeRfidTags;
using protocol::kChangeSettings;
using protocol::kChangeUserPassword;

constexpr std::uint32_t kEveryPart = kChangeAdminPassword | kChangeUserPassword | kChangeSettings | kChangeRfidTags;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The file as a particular inode (on Windows its file index): the session
// replaces the file by renaming a new one over it, so a rewrite always
// shows as another inode.
std::uint64_t Inode(const std::filesystem::path& path) {
#ifdef _WIN32
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    BY_HANDLE_FILE_INFORMATION info{};
    EXPECT_TRUE(GetFileInformationByHandle(file, &info)) << path;
    CloseHandle(file);
    return (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
#else
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_ino;
#endif
}

// A settings write through the host's own operations: the drive's current
// record and passwords, with `edit` applied to the upload.
bool WriteSettings(transport::ScsiDevice& device, std::uint32_t mask,
                   const std::function<void(protocol::SettingsUpload&)>& edit = {}) {
    protocol::ChannelKeys keys;
    std::u16string serial;
    if (!protocol::ReadIdentity(device, keys, serial)) return false;
    protocol::OpenChannel(device, keys);
    std::array<std::uint8_t, 148> settings{};
    if (!protocol::ReadSettings(device, keys, settings)) return false;
    protocol::SettingsUpload upload;
    upload.change_mask = mask;
    std::copy_n("QX7ADMIN", 8, upload.current_admin_password.begin());
    std::copy_n("QX7ADMIN", 8, upload.new_admin_password.begin());
    std::copy_n("QX7USER1", 8, upload.new_user_password.begin());
    upload.settings = protocol::SettingsRecord::Decode(std::span(settings).first<52>());
    if (edit) edit(upload);
    return static_cast<bool>(protocol::SecureWrite(device, upload.Encode(), protocol::kWriteSettingsWireLength,
                                                   keys.channel_key, keys, protocol::kTokenWriteSettings));
}

class SimSave : public ::testing::Test {
protected:
    void SetUp() override { path_ = folder_ / "sim.json"; }

    // A session on a file holding `drive` as the session itself writes it.
    void Start(const SimDrive& drive) {
        std::ofstream(path_, std::ios::binary) << FormatStateFile(SimState{{drive}});
        std::string error;
        session_ = SimSession::Load(path_.string(), &error);
        ASSERT_NE(session_, nullptr) << error;
        device_ = session_->Open(0);
    }

    qx7::test::TempFolder temp_{"qx7sim-save"};
    const std::filesystem::path& folder_ = temp_.path();
    std::filesystem::path path_;
    std::unique_ptr<SimSession> session_;
    std::unique_ptr<transport::ScsiDevice> device_;
};

TEST_F(SimSave, TheFileIsRewrittenExactlyWhenACommandChangedTheDrive) {
    const transport::CommandTemplate tag_read_template{0, 0, 0, 0, 0, 0, 0x13, 0x88};
    struct Case {
        const char* what;
        std::vector<SimFault> faults;
        std::function<void(transport::ScsiDevice&)> commands;
        bool saved;
    } cases[] = {
        {"identity, channel, settings read, status, memory pages",
         {},
         [](transport::ScsiDevice& d) {
             protocol::ChannelKeys keys;
             std::u16string serial;
             ASSERT_TRUE(protocol::ReadIdentity(d, keys, serial));
             ASSERT_TRUE(protocol::OpenChannel(d, keys).channel_key);
             std::array<std::uint8_t, 148> settings{};
             ASSERT_TRUE(protocol::ReadSettings(d, keys, settings));
             std::array<std::uint8_t, 32> status{};
             ASSERT_TRUE(protocol::ReadStatus(d, status));
             std::array<std::uint8_t, 1024> page{};
             ASSERT_TRUE(transport::ReadMemoryPage(d, 0x0000, page));
         },
         false},
        {"a refused command",
         {},
         [](transport::ScsiDevice& d) {
             EXPECT_FALSE(WriteSettings(d, kEveryPart, [](auto& u) {
                 u.current_admin_password = {'W', 'R', 'O', 'N', 'G'};
             }));
         },
         false},
        {"a settings write storing what the drive holds",
         {},
         [](transport::ScsiDevice& d) { EXPECT_TRUE(WriteSettings(d, kEveryPart)); },
         false},
        {"a fault that always fails",
         {{{0x12}, SimFault::Mode::Check, -1}},
         [](transport::ScsiDevice& d) {
             std::array<std::uint8_t, 36> inquiry{};
             EXPECT_FALSE(transport::ScsiInquiry(d, inquiry));
         },
         false},
        {"a fault spending its last use",
         {{{0x12}, SimFault::Mode::Io, 1}},
         [](transport::ScsiDevice& d) {
             std::array<std::uint8_t, 36> inquiry{};
             EXPECT_FALSE(transport::ScsiInquiry(d, inquiry));
         },
         true},
        {"a tag read",
         {},
         [&](transport::ScsiDevice& d) {
             std::array<std::uint8_t, 19> tag{};
             EXPECT_TRUE(transport::SystemCommandRead(d, 0x38, tag_read_template, 19, tag));
         },
         true},
        {"a new administrator password",
         {},
         [](transport::ScsiDevice& d) {
             EXPECT_TRUE(WriteSettings(d, kChangeAdminPassword, [](auto& u) {
                 u.new_admin_password = {'N', 'E', 'W', 'A', 'D', 'M', 'I', 'N'};
             }));
         },
         true},
        {"a new user password",
         {},
         [](transport::ScsiDevice& d) {
             EXPECT_TRUE(WriteSettings(d, kChangeUserPassword, [](auto& u) { u.new_user_password = {'U', '2'}; }));
         },
         true},
        {"a new settings record",
         {},
         [](transport::ScsiDevice& d) {
             EXPECT_TRUE(WriteSettings(d, kChangeSettings, [](auto& u) { u.settings.setup_id = 0x190C1F17; }));
         },
         true},
        {"new stored tags",
         {},
         [](transport::ScsiDevice& d) {
             EXPECT_TRUE(WriteSettings(d, kChangeRfidTags, [](auto& u) {
                 u.tag_count = 1;
                 u.tags[0].uid = {0x04, 0xA1};
                 u.tags[0].uid_length = 2;
             }));
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimDrive drive = DefaultDrive(0);
        drive.faults = c.faults;
        Start(drive);
        const std::uint64_t before_inode = Inode(path_);
        const std::string before_text = ReadText(path_);

        c.commands(*device_);

        if (c.saved) {
            EXPECT_NE(Inode(path_), before_inode);
            std::string error;
            const auto on_disk = ParseStateFile(ReadText(path_), &error);
            ASSERT_TRUE(on_disk) << error;
            EXPECT_EQ(*on_disk, session_->Snapshot());
            EXPECT_NE(on_disk->drives[0], drive);
        } else {
            EXPECT_EQ(Inode(path_), before_inode);
            EXPECT_EQ(ReadText(path_), before_text);
            EXPECT_EQ(session_->Snapshot().drives[0], drive);
        }
        device_.reset();
        session_.reset();
    }
}

// A change whose file cannot be written fails the command as an I/O error,
// even though the drive took it; the next command that changes the drive
// writes both once the file can be written again.
TEST_F(SimSave, ACommandWhoseChangeCannotBeSavedFails) {
    Start(DefaultDrive(0));
    std::filesystem::remove_all(folder_);
    const transport::CommandTemplate tag_read_template{0, 0, 0, 0, 0, 0, 0x13, 0x88};
    std::array<std::uint8_t, 19> tag{};
    transport::ScsiRequest request;
    const std::array<std::uint8_t, 16> cdb{0x3C, 0x01, 0xCE, 0x38, 19, 0, 0x13, 0x88};
    std::copy(cdb.begin(), cdb.end(), request.cdb.begin());
    request.cdb_length = 16;
    request.direction = transport::DataDirection::In;
    request.data = tag;
    const transport::ScsiResult failed = device_->Execute(request);
    EXPECT_FALSE(failed.io_ok);
    EXPECT_EQ(session_->Snapshot().drives[0].reader_queue.size(), 1u);

    // A command that changes nothing does not try to write the file.
    std::array<std::uint8_t, 36> inquiry{};
    EXPECT_TRUE(transport::ScsiInquiry(*device_, inquiry));

    std::filesystem::create_directories(folder_);
    EXPECT_TRUE(transport::SystemCommandRead(*device_, 0x38, tag_read_template, 19, tag));
    std::string error;
    const auto on_disk = ParseStateFile(ReadText(path_), &error);
    ASSERT_TRUE(on_disk) << error;
    EXPECT_TRUE(on_disk->drives[0].reader_queue.empty());
}

}  // namespace
}  // namespace qx7::sim
