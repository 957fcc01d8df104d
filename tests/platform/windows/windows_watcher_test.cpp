#include "platform/windows/windows_watcher.h"

#include <gtest/gtest.h>

#include <windows.h>
// <dbt.h> needs <windows.h> first; each in its own block keeps the order.
#include <dbt.h>

#include <thread>

#include "platform/windows/interface_guids.h"

namespace qx7::platform {
namespace {

using transport::DeviceEvent;
using namespace std::chrono_literals;

// Long enough never to run out on a loaded machine: the waits below end on
// an event or a wake, never on the time.
constexpr auto kBound = 60s;

TEST(WindowsWatcher, MapsDeviceChangesToEvents) {
    const std::vector<std::pair<std::uintptr_t, std::optional<DeviceEvent>>> cases = {
        {DBT_DEVNODES_CHANGED, DeviceEvent::NodesChanged}, {DBT_DEVICEARRIVAL, DeviceEvent::Arrival},
        {DBT_DEVICEREMOVECOMPLETE, DeviceEvent::Removal},  {DBT_DEVICEQUERYREMOVE, std::nullopt},
        {DBT_DEVICEREMOVEPENDING, std::nullopt},           {DBT_CONFIGCHANGED, std::nullopt},
    };
    for (const auto& [wparam, event] : cases) EXPECT_EQ(ClassifyDeviceChange(wparam), event) << wparam;
    // A USB device coming or going changes the device tree.
    EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEARRIVAL, true), DeviceEvent::NodesChanged);
    EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEREMOVECOMPLETE, true), DeviceEvent::NodesChanged);
    EXPECT_EQ(ClassifyDeviceChange(DBT_DEVNODES_CHANGED, true), DeviceEvent::NodesChanged);
}

TEST(WindowsWatcher, DeviceChangesOfTheWindowBecomeEventsInOrder) {
    std::string error;
    const auto watcher = WindowsWatcher::Create(&error);
    ASSERT_NE(watcher, nullptr) << error;
    const auto window = reinterpret_cast<HWND>(watcher->window());

    // The broadcast kind is posted; the system refuses to post the kinds
    // that carry a structure, so those are sent, as the system sends them.
    ASSERT_TRUE(PostMessageW(window, WM_DEVICECHANGE, DBT_CONFIGCHANGED, 0));
    ASSERT_TRUE(PostMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));
    ASSERT_TRUE(watcher->WaitForChange(kBound));
    EXPECT_EQ(watcher->TakeEvents(), (std::vector<DeviceEvent>{DeviceEvent::NodesChanged}));

    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << 4;
    DEV_BROADCAST_DEVICEINTERFACE_W usb{};
    usb.dbcc_size = sizeof usb;
    usb.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    usb.dbcc_classguid = UsbDeviceInterfaceGuid();
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, reinterpret_cast<LPARAM>(&volume));
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&volume));
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&usb));

    EXPECT_TRUE(watcher->WaitForChange(0ms));
    EXPECT_EQ(watcher->TakeEvents(),
              (std::vector<DeviceEvent>{DeviceEvent::Arrival, DeviceEvent::Removal, DeviceEvent::NodesChanged}));
    EXPECT_FALSE(watcher->WaitForChange(0ms));  // all taken
}

TEST(WindowsWatcher, WakeEndsAWaitOnceAndPendingEventsKeepEndingIt) {
    std::string error;
    const auto watcher = WindowsWatcher::Create(&error);
    ASSERT_NE(watcher, nullptr) << error;

    EXPECT_FALSE(watcher->WaitForChange(0ms));
    watcher->Wake();  // before the wait: kept for it
    EXPECT_TRUE(watcher->WaitForChange(kBound));
    EXPECT_FALSE(watcher->WaitForChange(0ms));
    EXPECT_TRUE(watcher->TakeEvents().empty());

    std::thread waker([&] { watcher->Wake(); });
    EXPECT_TRUE(watcher->WaitForChange(std::chrono::milliseconds::max()));
    waker.join();

    ASSERT_TRUE(PostMessageW(reinterpret_cast<HWND>(watcher->window()), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));
    EXPECT_TRUE(watcher->WaitForChange(kBound));
    EXPECT_TRUE(watcher->WaitForChange(0ms));  // not taken yet
    EXPECT_EQ(watcher->TakeEvents(), (std::vector<DeviceEvent>{DeviceEvent::NodesChanged}));
}

}  // namespace
}  // namespace qx7::platform
