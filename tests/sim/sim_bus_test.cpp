#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "sim/firmware.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "strings/text_codec.h"
#include "transport/discovery.h"

namespace qx7::sim {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using transport::DeviceEvent;

std::vector<std::string> Utf8(const std::vector<std::u16string>& texts) {
    std::vector<std::string> out;
    for (const auto& t : texts) out.push_back(strings::ToUtf8(t));
    return out;
}

SimState Drives(std::size_t count) {
    SimState state;
    for (std::size_t i = 0; i < count; ++i) state.drives.push_back(DefaultDrive(i));
    return state;
}

TEST(SimBus, DiscoveryListsThePluggedDrives) {
    SimState state = Drives(4);
    state.drives[1].has_cdrom = false;
    state.drives[1].product = "QX7FIPS";
    state.drives[2].plugged = false;
    state.drives[3].state_block = {};  // no state and layout 1: not listed
    state.drives[3].id_block[2] = 1;
    SimSession session(state);
    SimBus bus(session);

    const transport::DriveTable table = transport::ScanDrives(bus);
    ASSERT_EQ(table.drive_count(), 3u);
    EXPECT_THAT(Utf8(table.lines), ElementsAre("  1: QX7 /media/qx7sim/1 /dev/qx7sim/1/cdrom ",
                                               "  2: Ostrivance QX7 FIPS  /media/qx7sim/2 "));
    const transport::DriveRecord& first = table.records[0];
    EXPECT_EQ(first.storage_path, "/dev/qx7sim/1/cdrom");
    EXPECT_EQ(first.storage_count, 2u);
    EXPECT_EQ(first.serial_number, strings::FromUtf8(state.drives[0].serial_string));
    EXPECT_EQ(first.manufacturer, u"OSTRIVANCE");
    EXPECT_EQ(first.hub_port, 1u);
    EXPECT_TRUE(std::equal(first.id_block.begin(), first.id_block.end(), state.drives[0].id_block.begin()));
    const auto page = MemoryPage(state.drives[0], 0x0C00);
    EXPECT_TRUE(std::equal(page.begin(), page.end(), first.config_area.begin() + 3072));
    EXPECT_EQ(table.records[1].storage_path, "/dev/qx7sim/2/disk");
    EXPECT_EQ(table.records[2].hub_port, 4u);
}

TEST(SimBus, AFailedPageReadOnTheCdRomLetsTheDiskTakeOver) {
    SimState state = Drives(1);
    state.drives[0].faults.push_back({{0x3C, 0x01, 0x22}, SimFault::Mode::Check, 1});
    SimSession session(state);
    SimBus bus(session);

    const transport::DriveTable table = transport::ScanDrives(bus);
    ASSERT_EQ(table.drive_count(), 1u);
    EXPECT_EQ(table.records[0].storage_path, "/dev/qx7sim/1/disk");
    EXPECT_EQ(table.records[0].storage_count, 1u);
    // The CD-ROM was not registered, so its volume is not the drive's.
    EXPECT_THAT(Utf8(table.lines), ElementsAre("  1: QX7 /media/qx7sim/1 "));
}

TEST(SimBus, PlugAndUnplugRaiseEventsAndChangeWhatIsPresent) {
    SimState state = Drives(2);
    state.drives[1].has_cdrom = false;
    SimSession session(state);
    SimBus bus(session);
    EXPECT_FALSE(bus.WaitForChange(std::chrono::milliseconds(0)));
    EXPECT_THAT(bus.TakeEvents(), IsEmpty());

    EXPECT_TRUE(bus.Unplug(0));
    EXPECT_TRUE(bus.WaitForChange(std::chrono::milliseconds(0)));  // pending until taken
    EXPECT_THAT(bus.TakeEvents(), ElementsAre(DeviceEvent::Removal, DeviceEvent::Removal, DeviceEvent::NodesChanged));
    EXPECT_THAT(bus.TakeEvents(), IsEmpty());
    EXPECT_FALSE(bus.Unplug(0));
    EXPECT_FALSE(bus.Plug(2));
    EXPECT_THAT(bus.TakeEvents(), IsEmpty());
    EXPECT_EQ(bus.Open("/dev/qx7sim/1/disk"), nullptr);
    ASSERT_EQ(bus.UsbDevices().size(), 1u);
    EXPECT_EQ(bus.UsbDevices()[0].key, "sim/usb1/1-2");

    EXPECT_TRUE(bus.Unplug(1));
    EXPECT_THAT(bus.TakeEvents(), ElementsAre(DeviceEvent::Removal, DeviceEvent::NodesChanged));
    EXPECT_THAT(bus.UsbDevices(), IsEmpty());
    EXPECT_THAT(bus.Volumes(), IsEmpty());

    EXPECT_TRUE(bus.Plug(0));
    EXPECT_THAT(bus.TakeEvents(), ElementsAre(DeviceEvent::NodesChanged, DeviceEvent::Arrival, DeviceEvent::Arrival));
    EXPECT_NE(bus.Open("/dev/qx7sim/1/disk"), nullptr);
    EXPECT_NE(bus.Open("/dev/qx7sim/1/cdrom"), nullptr);
    EXPECT_EQ(bus.Open("/dev/qx7sim/1/other"), nullptr);
    EXPECT_TRUE(bus.Plug(1));
    EXPECT_EQ(bus.Open("/dev/qx7sim/2/cdrom"), nullptr);  // that drive has none
    EXPECT_THAT(bus.StorageInterfaces(transport::StorageClass::CdRom), testing::SizeIs(1));
    EXPECT_THAT(bus.StorageInterfaces(transport::StorageClass::Disk), testing::SizeIs(2));
}

}  // namespace
}  // namespace qx7::sim
