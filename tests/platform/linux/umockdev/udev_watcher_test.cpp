// The hot-plug watcher on a real udev monitor, fed synthetic uevents.

#include "platform/linux/udev_watcher.h"

#include <gtest/gtest.h>

#include <chrono>

#include "drive_trees.h"

namespace qx7::test {
namespace {

using platform::UdevWatcher;
using transport::DeviceEvent;

// Waits on the watcher, as the station does, until `count` events came or
// `patience` passed.
std::vector<DeviceEvent> Collect(UdevWatcher& watcher, std::size_t count,
                                 std::chrono::milliseconds patience = std::chrono::seconds(2)) {
    std::vector<DeviceEvent> events;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (events.size() < count && std::chrono::steady_clock::now() < deadline) {
        if (!watcher.WaitForChange(std::chrono::milliseconds(100))) continue;
        for (const DeviceEvent event : watcher.TakeEvents()) events.push_back(event);
    }
    return events;
}

TEST(UdevWatcherOnFakeTree, TurnsUeventsIntoArrivalRemovalAndTreeChange) {
    FakeDriveTree tree;
    if (!FakeDriveTree::mocked()) GTEST_SKIP() << "not running under libumockdev-preload";
    std::string error;
    auto watcher = UdevWatcher::Create(&error);
    ASSERT_TRUE(watcher) << error;
    EXPECT_TRUE(watcher->TakeEvents().empty());  // nothing waiting, and it does not block
    // A wake given before the wait ends it: a stop is never missed.
    watcher->Wake();
    EXPECT_TRUE(watcher->WaitForChange(std::chrono::seconds(30)));
    EXPECT_TRUE(watcher->TakeEvents().empty());

    // Plugging: the USB devices (the root hub comes with the first drive)
    // change the tree; the disk, its partition and the CD-ROM arrive; the
    // USB interface, SCSI and sg devices say nothing.
    const FakeUsbDisk drive = PrimaryQx7();
    tree.Add(drive);
    EXPECT_EQ(Collect(*watcher, 5),
              (std::vector<DeviceEvent>{DeviceEvent::NodesChanged, DeviceEvent::NodesChanged, DeviceEvent::Arrival,
                                        DeviceEvent::Arrival, DeviceEvent::Arrival}));

    // A media change is neither.
    tree.Uevent(drive, "/2-1:1.0/host6/target6:0:0/6:0:0:1/block/sr0", "change");
    EXPECT_TRUE(Collect(*watcher, 1, std::chrono::milliseconds(300)).empty());

    // Unplugging, leaf first.
    tree.Remove(drive);
    EXPECT_EQ(Collect(*watcher, 4), (std::vector<DeviceEvent>{DeviceEvent::Removal, DeviceEvent::Removal,
                                                              DeviceEvent::Removal, DeviceEvent::NodesChanged}));
    EXPECT_EQ(static_cast<std::uint32_t>(DeviceEvent::NodesChanged), 7u);
}

}  // namespace
}  // namespace qx7::test
