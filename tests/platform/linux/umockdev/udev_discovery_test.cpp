// Discovery through the real udev and SG_IO code, against a fake device
// tree whose SCSI nodes the drive simulator answers.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "drive_trees.h"
#include "platform/linux/capabilities.h"
#include "platform/linux/scsi_opener.h"
#include "platform/linux/udev_enumerator.h"
#include "support/process_run.h"
#include "transport/discovery.h"

namespace qx7::test {
namespace {

using platform::DirectOpener;
using platform::UdevEnumerator;
using transport::DeviceNumber;

bool AnyStartsWith(const CommandLog& log, const std::string& prefix) {
    for (const auto& cdb : log) {
        if (cdb.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

class UdevDiscovery : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FakeDriveTree::mocked()) GTEST_SKIP() << "not running under libumockdev-preload";
        PlugAll(tree_);
        // Mount points escape spaces as \040; the proc entry is not a block device.
        mount_table_ = tree_.root() + "/mountinfo";
        std::ofstream(mount_table_) << "22 1 8:17 / /media/user/QX7\\040DATA rw - exfat /dev/sdb1 rw\n"
                                       "23 1 8:49 / /media/user/STICK rw - vfat /dev/sdd1 rw\n"
                                       "24 1 0:21 / /proc rw - proc proc rw\n"
                                       "25 1 8:17 / /mnt/again rw - exfat /dev/sdb1 rw\n";
    }

    FakeDriveTree tree_;
    std::string mount_table_;
    DirectOpener opener_;
};

TEST_F(UdevDiscovery, ListsTheQx7DrivesThroughUdevAndSgIo) {
    std::string error;
    auto enumerator = UdevEnumerator::Create(opener_, &error, mount_table_);
    ASSERT_TRUE(enumerator) << error;
    const transport::DriveTable table = transport::ScanDrives(*enumerator);

    ASSERT_EQ(table.drive_count(), 2u);
    ASSERT_EQ(table.listed_count(), 2u);
    EXPECT_EQ(table.lines[0], u"  1: QX7 /media/user/QX7 DATA ");
    EXPECT_EQ(table.lines[1], u"  2: Ostrivance QX7 FIPS  ");

    const transport::DriveRecord& primary = table.records[0];
    EXPECT_EQ(primary.entry_index, 0u);
    EXPECT_EQ(primary.usb_key, "/sys/devices/pci0000:00/usb2/2-1");
    EXPECT_EQ(primary.parent_key, "/sys/devices/pci0000:00/usb2");
    EXPECT_EQ(primary.hub_port, 1u);
    EXPECT_EQ(primary.manufacturer, u"OSTRIVANCE");
    EXPECT_EQ(primary.serial_number, u"QX7SIM0000000001");
    // The CD-ROM comes first: its sg node carries the drive's commands.
    EXPECT_EQ(primary.storage_path, "/dev/sg2");
    ASSERT_EQ(primary.storage_count, 2u);
    EXPECT_EQ(primary.device_numbers[0], (DeviceNumber{11, 0}));
    EXPECT_TRUE(primary.is_cdrom[0]);
    EXPECT_EQ(primary.device_numbers[1], (DeviceNumber{8, 16}));
    EXPECT_FALSE(primary.is_cdrom[1]);
    EXPECT_EQ(primary.id_block[2], 2);
    EXPECT_NE(primary.config_area, decltype(primary.config_area){});

    EXPECT_EQ(table.records[1].entry_index, 1u);
    EXPECT_EQ(table.records[1].storage_path, "/dev/sg3");

    // The vendor blocks went over SG_IO, the page reads after their
    // pre-command; the other maker's stick was never sent anything.
    const CommandLog commands = tree_.CommandsTo("sg2");
    EXPECT_TRUE(AnyStartsWith(commands, "3c0152")) << commands.size();
    EXPECT_TRUE(AnyStartsWith(commands, "3b011022"));
    EXPECT_TRUE(AnyStartsWith(commands, "3c0122"));
    EXPECT_TRUE(tree_.CommandsTo("sg4").empty());
}

TEST_F(UdevDiscovery, ReportsNodesAndVolumesOfEachDevice) {
    tree_.Add(Qx7WithoutGenericNode());
    std::string error;
    auto enumerator = UdevEnumerator::Create(opener_, &error, mount_table_);
    ASSERT_TRUE(enumerator) << error;

    const auto usb = enumerator->UsbDevices();
    ASSERT_EQ(usb.size(), 5u);  // the root hub, then by sysfs path
    EXPECT_EQ(usb[0].port, 0u);
    EXPECT_EQ(usb[3].vendor_id, 0x0BDA);
    EXPECT_EQ(usb[3].product, u"Flash Disk");

    // A disk without an sg node is known but offered to nobody for opening.
    const auto nodes = enumerator->StorageNodes();
    const auto bare =
        std::find_if(nodes.begin(), nodes.end(), [](const auto& n) { return n.block_node == "/dev/sde"; });
    ASSERT_NE(bare, nodes.end());
    EXPECT_TRUE(bare->generic_node.empty());
    EXPECT_EQ(bare->usb_key, "/sys/devices/pci0000:00/usb2/2-4");
    for (const auto& disk : enumerator->StorageInterfaces(transport::StorageClass::Disk)) {
        EXPECT_NE(disk.usb_key, bare->usb_key);
    }

    // One volume per mounted device, at its first mount point, numbered by
    // its whole disk.
    const auto volumes = enumerator->Volumes();
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].mount_point, u"/media/user/QX7 DATA");
    EXPECT_EQ(volumes[0].device_node, u"/dev/sdb1");
    EXPECT_EQ(volumes[0].device_number, (DeviceNumber{8, 16}));
    EXPECT_FALSE(volumes[0].is_cdrom);
    EXPECT_EQ(volumes[1].device_number, (DeviceNumber{8, 48}));
}

// qx7ctl as a child process: it inherits the preload and the testbed.
ProcessRun RunQx7ctl(const std::string& arguments) {
    return RunShellCommand(std::string("'") + QX7CTL_PATH + "' " + arguments + " 2>&1");
}

class Qx7ctlOnUdev : public UdevDiscovery {
protected:
    void SetUp() override {
        UdevDiscovery::SetUp();
        if (IsSkipped()) return;
        // Without CAP_SYS_RAWIO qx7ctl would ask pkexec for the helper.
        if (!platform::HasRawIoCapability()) {
            GTEST_SKIP() << "qx7ctl uses SG_IO directly only with CAP_SYS_RAWIO: run as root";
        }
    }
};

TEST_F(Qx7ctlOnUdev, ShowReadsADriveEndToEnd) {
    const ProcessRun run = RunQx7ctl("show --drive 1 --json");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_NE(run.out.find("\"serial\": \"QX7SIM0000000001\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"admin_mode\": true"), std::string::npos) << run.out;
    EXPECT_TRUE(AnyStartsWith(tree_.CommandsTo("sg2"), "3c01ce30"));  // the settings read
}

TEST_F(Qx7ctlOnUdev, ListVerboseSaysWhatWasFoundAndWhy) {
    tree_.Add(Qx7WithoutGenericNode());
    const ProcessRun run = RunQx7ctl("list --verbose");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const std::string& out = run.out;
    EXPECT_NE(out.find("  1: QX7 \n  2: Ostrivance QX7 FIPS  \n"), std::string::npos) << out;
    EXPECT_NE(out.find("QX7 USB device 230a:1180 (known id 0) at /sys/devices/pci0000:00/usb2/2-1, port 1"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("disk /dev/sdb (8:16): SCSI generic node /dev/sg1"), std::string::npos) << out;
    EXPECT_NE(out.find("CD-ROM interface /dev/sg2 (11:0): opened; the drive's commands go here"), std::string::npos)
        << out;
    EXPECT_NE(out.find("listed as line 1"), std::string::npos) << out;
    EXPECT_NE(out.find("disk /dev/sde (8:64): no SCSI generic node"), std::string::npos) << out;
    EXPECT_NE(out.find("not listed: none of its storage interfaces could be opened"), std::string::npos) << out;
    EXPECT_EQ(out.find("0bda:0109"), std::string::npos) << out;
}

}  // namespace
}  // namespace qx7::test
