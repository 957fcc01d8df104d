// What sysfs and the mount table say, parsed without trusting it.

#include <gtest/gtest.h>

#include "platform/linux/mount_table.h"
#include "platform/linux/udev_watcher.h"
#include "platform/linux/usb_attributes.h"

namespace qx7::platform {
namespace {

TEST(UsbAttributes, IdsAreExactlyFourHexDigits) {
    EXPECT_EQ(ParseUsbIdText("230a"), 0x230A);
    EXPECT_EQ(ParseUsbIdText("04C5"), 0x04C5);
    for (const char* bad : {"", "230", "230a0", "0x30", "+30a", "23 a", "zzzz"}) {
        EXPECT_FALSE(ParseUsbIdText(bad)) << bad;
    }
}

TEST(UsbAttributes, PortIsTheLastNumberOfTheKernelName) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"2-1", 1}, {"2-1.4", 4}, {"1-3.2.7", 7}, {"usb2", 0},    {"2-", 0},
        {"-1", 0},  {"2-1.", 0},  {"2-1:1.0", 0}, {"2-99999", 0},
    };
    for (const auto& [name, port] : cases) EXPECT_EQ(PortFromUsbName(name), port) << name;
}

TEST(UsbAttributes, StringsAreDecodedLenientlyAndCutToTheRecordField) {
    EXPECT_EQ(UsbStringText("QX7 \xC3\xA9"), u"QX7 \u00E9");
    EXPECT_EQ(UsbStringText("A\xFF"
                            "B"),
              u"A\uFFFDB");
    // 63 units and then a character outside the BMP: the pair is not split.
    const std::string long_text = std::string(63, 'x') + "\xF0\x9F\x94\x92" + "tail";
    EXPECT_EQ(UsbStringText(long_text), std::u16string(63, u'x'));
    EXPECT_EQ(UsbStringText(std::string(5000, 'y')).size(), 64u);
}

TEST(MountTable, ReadsDeviceAndUnescapedMountPointOfEachWellFormedLine) {
    const auto entries = ParseMountInfo(
        "36 35 8:17 / /media/user/QX7\\040DATA rw,nosuid shared:1 - exfat /dev/sdb1 rw\n"
        "garbage\n"
        "37 35 x:1 / /bad rw - ext4 /dev/x rw\n"
        "38 35 11:0 / /mnt/a\\134b\\011c rw - iso9660 /dev/sr0 ro\n"
        "39 35 0:5 / /dev/pts rw - devpts devpts rw\n"
        "40 35 8:33 / /trailing\\04 rw - vfat /dev/sdc1 rw");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].device, (transport::DeviceNumber{8, 17}));
    EXPECT_EQ(entries[0].mount_point, "/media/user/QX7 DATA");
    EXPECT_EQ(entries[1].mount_point, "/mnt/a\\b\tc");
    EXPECT_EQ(entries[2].device, (transport::DeviceNumber{0, 5}));
    EXPECT_EQ(entries[3].mount_point, "/trailing\\04");  // a cut escape stays as written
    EXPECT_TRUE(ReadMountTable("/nonexistent/mountinfo").empty());
}

TEST(UeventClassification, BlockAddAndRemoveAndUsbDeviceChangesOnly) {
    using transport::DeviceEvent;
    struct Case {
        const char* subsystem;
        const char* devtype;
        const char* action;
        std::optional<DeviceEvent> event;
    };
    const Case cases[] = {
        {"block", "disk", "add", DeviceEvent::Arrival},
        {"block", "partition", "add", DeviceEvent::Arrival},
        {"block", "disk", "remove", DeviceEvent::Removal},
        {"usb", "usb_device", "add", DeviceEvent::NodesChanged},
        {"usb", "usb_device", "remove", DeviceEvent::NodesChanged},
        {"block", "disk", "change", std::nullopt},
        {"usb", "usb_device", "bind", std::nullopt},
        {"usb", "usb_interface", "add", std::nullopt},
        {"scsi_generic", "", "add", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyUevent(c.subsystem, c.devtype, c.action), c.event)
            << c.subsystem << " " << c.devtype << " " << c.action;
    }
}

}  // namespace
}  // namespace qx7::platform
