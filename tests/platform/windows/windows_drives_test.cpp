#include "platform/windows/windows_drives.h"

#include <gtest/gtest.h>

#include "platform/windows/fake_device_tree.h"
#include "strings/text_codec.h"

namespace qx7::platform {
namespace {

using test::FakeDeviceTree;

constexpr char16_t kDisk[] = u"\\\\?\\usbstor#disk&ven_ostriv#1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char16_t kCdRom[] = u"\\\\?\\usbstor#cdrom&ven_ostriv#1#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}";
const std::string kUsbKey = "USB\\VID_230A&PID_1180\\1";

// One drive whose disk refuses read-write opens with `disk_error`.
std::shared_ptr<FakeDeviceTree> DriveTree(std::uint32_t disk_error) {
    auto tree = std::make_shared<FakeDeviceTree>();
    tree->nodes[1] = {u"USB\\ROOT_HUB\\1", std::nullopt};
    tree->AddUsbDevice(20, u"USB\\VID_230A&PID_1180\\1", 1, u"{key}\\0001");
    tree->nodes[21] = {u"USBSTOR\\CDROM\\1", 20};
    tree->nodes[22] = {u"USBSTOR\\DISK\\1", 20};
    tree->storage.push_back({InterfaceClass::CdRom, kCdRom, 21, 0, std::nullopt, {}});
    tree->storage.push_back({InterfaceClass::Disk, kDisk, 22, std::nullopt, disk_error, {}});
    return tree;
}

TEST(WindowsDrives, WithoutElevationTheUserIsToldOnceWhatToDo) {
    std::vector<std::string> told;
    WindowsDrives drives(DriveTree(5), false, FrontEnd::CommandLine,
                         [&](const std::string& text) { told.push_back(text); });
    const std::string advice =
        "drive access needs an elevated process: run qx7ctl from a command prompt opened with \"Run as "
        "administrator\"";

    EXPECT_EQ(drives.AccessProblem(), advice);
    EXPECT_EQ(drives.enumerator().Open(strings::ToUtf8(kDisk)), nullptr);
    EXPECT_EQ(drives.enumerator().Open(strings::ToUtf8(kDisk)), nullptr);

    EXPECT_EQ(told, std::vector<std::string>{advice});
    // The listing recognises the failure as the access problem.
    EXPECT_EQ(drives.OpenFailure(strings::ToUtf8(kDisk)), drives.AccessProblem());
    EXPECT_EQ(ElevationAdvice(FrontEnd::Window),
              "drive access needs an elevated process: start the QX7 Configurator with \"Run as administrator\"");
}

TEST(WindowsDrives, ElevatedOpenFailuresKeepTheirOwnReasons) {
    const std::vector<std::pair<std::uint32_t, std::string>> cases = {
        {5, "access is denied (Windows error 5)"},
        {32, "another program holds the drive (Windows error 32)"},
        {2, "the interface is gone (Windows error 2)"},
        {1117, "it cannot be opened (Windows error 1117)"},
    };
    for (const auto& [error, text] : cases) {
        bool told = false;
        WindowsDrives drives(DriveTree(error), true, FrontEnd::CommandLine, [&](const std::string&) { told = true; });
        EXPECT_EQ(drives.AccessProblem(), "");
        EXPECT_EQ(drives.enumerator().Open(strings::ToUtf8(kDisk)), nullptr);
        EXPECT_EQ(drives.OpenFailure(strings::ToUtf8(kDisk)), text);
        EXPECT_FALSE(told);
    }
}

TEST(WindowsDrives, NodeDetailsTellWhichInterfacesOpen) {
    WindowsDrives drives(DriveTree(5), true, FrontEnd::CommandLine, {});

    EXPECT_EQ(
        drives.NodeDetails(kUsbKey),
        (std::vector<std::string>{"CD-ROM node " + strings::ToUtf8(kCdRom) + " (device number 0): opens for commands",
                                  "disk node " + strings::ToUtf8(kDisk) +
                                      " (no device number): does not open: access is denied (Windows error 5)"}));
    EXPECT_TRUE(drives.NodeDetails("USB\\VID_1234&PID_5678\\9").empty());
}

}  // namespace
}  // namespace qx7::platform
