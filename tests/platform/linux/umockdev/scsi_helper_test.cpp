// The privileged helper as a real child process under the same preload:
// it opens only QX7 sg nodes and carries only the QX7 command set.

#include <gtest/gtest.h>

#include <algorithm>

#include "drive_trees.h"
#include "platform/linux/helper_connection.h"
#include "platform/linux/scsi_opener.h"
#include "platform/linux/udev_enumerator.h"
#include "protocol/channel.h"
#include "protocol/constants.h"
#include "protocol/read_sequence.h"
#include "protocol/records.h"
#include "protocol/system_commands.h"
#include "transport/discovery.h"

namespace qx7::test {
namespace {

using platform::HelperOpener;
using platform::HelperScsiDevice;

class ScsiHelperOnFakeTree : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FakeDriveTree::mocked()) GTEST_SKIP() << "not running under libumockdev-preload";
        PlugAll(tree_, /*with_fips=*/false);
    }

    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path, std::string* why) {
        return opener_.Open(path, why);
    }

    // Declared first so that the helper is gone before the testbed.
    FakeDriveTree tree_;
    HelperOpener opener_{platform::DirectLaunch(QX7_SCSI_HELPER_PATH)};
};

TEST_F(ScsiHelperOnFakeTree, CarriesDiscoveryAWholeReadAndAnUpload) {
    std::string error;
    auto enumerator = platform::UdevEnumerator::Create(opener_, &error, "/dev/null");
    ASSERT_TRUE(enumerator) << error;
    const transport::DriveTable table = transport::ScanDrives(*enumerator);
    ASSERT_EQ(table.listed_count(), 1u);
    EXPECT_NE(table.records[0].config_area, decltype(table.records[0].config_area){});

    std::string why;
    auto device = Open(table.records[0].storage_path, &why);
    ASSERT_TRUE(device) << why;
    protocol::ChannelKeys keys;
    std::u16string serial;
    std::ostringstream diagnostics;
    const protocol::DriveReading reading = protocol::ReadDrive(*device, keys, serial, &diagnostics);
    ASSERT_TRUE(reading.all_commands_ok());
    EXPECT_TRUE(reading.admin_mode());
    EXPECT_EQ(serial, u"QX7SIM0000000001");

    protocol::SettingsUpload upload;
    upload.change_mask = protocol::kChangeAdminPassword;
    std::copy_n("QX7ADMIN", 8, upload.current_admin_password.begin());
    std::copy_n("NEWADMIN9", 9, upload.new_admin_password.begin());
    upload.settings = reading.settings;
    ASSERT_TRUE(protocol::SecureWrite(*device, upload.Encode(), protocol::kWriteSettingsWireLength, keys.channel_key,
                                      keys, protocol::kTokenWriteSettings));
    EXPECT_EQ(tree_.session().state().drives[0].admin_password, "NEWADMIN9");
}

// "Read RFID Tag" for a user who is not root: the tag read goes through the
// helper to the drive, and the drive's reader hands over its next tag.
TEST_F(ScsiHelperOnFakeTree, CarriesTheRfidTagRead) {
    std::string why;
    auto device = Open("/dev/sg1", &why);
    ASSERT_TRUE(device) << why;
    const sim::SimTag presented = tree_.session().state().drives[0].reader_queue.front();

    std::array<std::uint8_t, protocol::kRfidTagLength> tag{};
    ASSERT_TRUE(protocol::ReadRfidTag(*device, tag)) << dynamic_cast<HelperScsiDevice&>(*device).why();
    EXPECT_EQ(tag, presented);
    EXPECT_EQ(tree_.session().state().drives[0].reader_queue.size(), 1u);
    EXPECT_EQ(tree_.CommandsTo("sg1"), CommandLog{"3c01ce38130013880000000000000000"});
}

TEST_F(ScsiHelperOnFakeTree, OpensOnlyTheSgNodesOfQx7Drives) {
    struct Case {
        const char* path;
        const char* reason;
    };
    for (const Case& c :
         {Case{"/dev/sg4", "0bda:0109 is not a QX7"}, Case{"/dev/sdb", "not a character device node"},
          Case{"/dev/null", "udev knows no device for it"}, Case{"/dev/sg9", "No such file or directory"},
          Case{"/etc/passwd", "not a node under /dev"}, Case{"/dev/../dev/sg1", "not a plain node path"}}) {
        std::string why;
        EXPECT_FALSE(Open(c.path, &why)) << c.path;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.path << ": " << why;
    }
    EXPECT_TRUE(tree_.CommandsTo("sg4").empty());
    // Refusals leave the helper serving.
    std::string why;
    EXPECT_TRUE(Open("/dev/sg1", &why)) << why;
}

TEST_F(ScsiHelperOnFakeTree, RefusesCommandsOutsideTheQx7Set) {
    std::string why;
    auto device = Open("/dev/sg1", &why);
    ASSERT_TRUE(device) << why;
    auto& helper_device = dynamic_cast<HelperScsiDevice&>(*device);

    struct Case {
        std::vector<std::uint8_t> cdb;
        transport::DataDirection direction;
        std::size_t length;
        const char* reason;
    };
    using transport::DataDirection;
    const std::vector<Case> cases = {
        {{0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, DataDirection::Out, 512, "operation code 0x2A"},  // WRITE(10)
        {{0x12, 0, 0, 0, 0xFF, 0}, DataDirection::In, 255, "not the INQUIRY in the form"},
        {{0x3C, 0x02, 0x52, 0, 0, 0, 0, 0, 0, 0}, DataDirection::In, 8, "not the id-block read"},
        {{0x3B, 0x01, 0x51, 0, 0, 0, 0, 0, 0, 0}, DataDirection::Out, 12, "WRITE BUFFER of buffer 0x51"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> data(c.length);
        transport::ScsiRequest request;
        std::copy(c.cdb.begin(), c.cdb.end(), request.cdb.begin());
        request.cdb_length = static_cast<std::uint8_t>(c.cdb.size());
        request.direction = c.direction;
        request.data = data;
        EXPECT_FALSE(device->Execute(request).io_ok) << c.reason;
        EXPECT_NE(helper_device.why().find(c.reason), std::string::npos) << helper_device.why();
    }
    // None reached the drive, and the helper still carries what is allowed.
    EXPECT_TRUE(tree_.CommandsTo("sg1").empty());
    std::vector<std::uint8_t> inquiry(36);
    transport::ScsiRequest request;
    request.cdb = {0x12, 0, 0, 0, 0x24, 0};
    request.cdb_length = 6;
    request.direction = DataDirection::In;
    request.data = inquiry;
    const transport::ScsiResult result = device->Execute(request);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.transferred, 36u);
    EXPECT_EQ(tree_.CommandsTo("sg1"), CommandLog{"120000002400"});
}

}  // namespace
}  // namespace qx7::test
