#include "platform/windows/windows_enumerator.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/windows/fake_device_tree.h"
#include "strings/text_codec.h"
#include "transport/discovery.h"
#include "transport/drive_commands.h"

namespace qx7::platform {
namespace {

using test::FakeDeviceTree;
using test::StringDescriptor;
using transport::StorageClass;

constexpr char16_t kHubPath[] = u"\\\\?\\usb#root_hub30#4&2a0b&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
constexpr char16_t kCdRomA[] =
    u"\\\\?\\usbstor#cdrom&ven_ostriv&prod_qx7#a0001&0#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char16_t kDiskA[] = u"\\\\?\\usbstor#disk&ven_ostriv&prod_qx7#a0001&1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char16_t kDiskB[] =
    u"\\\\?\\usbstor#disk&ven_ostriv&prod_qx7fips#b0002&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char16_t kInternalDisk[] = u"\\\\?\\scsi#disk&ven_nvme#4&1&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char16_t kDriverKeyA[] = u"{36FC9E60-C465-11CF-8056-444553540000}\\0021";
const std::string kDriveAKey = "USB\\VID_230A&PID_1180\\QX7A0001";

// A root hub with a keyboard on port 1, nothing on port 2, drive A (primary
// id, CD-ROM and disk) on port 3 and drive B (another known id, a disk) on
// port 4; an internal disk whose number equals drive A's CD-ROM number; and
// drive letters of every kind.
std::shared_ptr<FakeDeviceTree> MachineWithTwoDrives() {
    auto owner = std::make_shared<FakeDeviceTree>();
    FakeDeviceTree& tree = *owner;
    tree.nodes[100] = {u"PCI\\VEN_8086&DEV_A36D\\3&11583659&0&A0", std::nullopt};
    tree.nodes[1] = {u"USB\\ROOT_HUB30\\4&2A0B&0&0", 100};
    tree.hubs.push_back({kHubPath, 1, {}});
    auto& ports = tree.hubs.back().ports;

    tree.AddUsbDevice(10, u"USB\\VID_046D&PID_C31C\\5&1", 1, u"{36FC9E60-C465-11CF-8056-444553540000}\\0010");
    ports.push_back({true, 0x046D, 0xC31C, {1, 2, 0}, u"{36FC9E60-C465-11CF-8056-444553540000}\\0010", {}, {}});
    ports.push_back({false, 0, 0, {}, std::nullopt, {}, {}});

    tree.AddUsbDevice(20, u"USB\\VID_230A&PID_1180\\QX7A0001", 1, kDriverKeyA);
    // The hub spells the driver key in lower case: keys compare without case.
    ports.push_back(
        {true,
         0x230A,
         0x1180,
         {1, 2, 3},
         u"{36fc9e60-c465-11cf-8056-444553540000}\\0021",
         {{1, StringDescriptor(u"Ostrivance")}, {2, StringDescriptor(u"QX7 Secure")}, {3, StringDescriptor(u"A0001")}},
         {}});
    tree.nodes[21] = {u"USBSTOR\\CDROM&VEN_OSTRIV&PROD_QX7\\A0001&0", 20};
    tree.nodes[22] = {u"USBSTOR\\DISK&VEN_OSTRIV&PROD_QX7\\A0001&1", 20};
    tree.storage.push_back({InterfaceClass::Disk, kDiskA, 22, 1, std::nullopt, {}});
    tree.storage.push_back({InterfaceClass::CdRom, kCdRomA, 21, 0, std::nullopt, {}});

    tree.AddUsbDevice(30, u"USB\\VID_04C5&PID_2028\\QX7B0002", 1, u"{36FC9E60-C465-11CF-8056-444553540000}\\0030");
    ports.push_back({true,
                     0x04C5,
                     0x2028,
                     {1, 2, 3},
                     u"{36FC9E60-C465-11CF-8056-444553540000}\\0030",
                     {{2, StringDescriptor(u"QX7FIPS")}, {3, StringDescriptor(u"B0002")}},
                     {}});
    tree.nodes[31] = {u"USBSTOR\\DISK&VEN_OSTRIV&PROD_QX7FIPS\\B0002&0", 30};
    tree.storage.push_back({InterfaceClass::Disk, kDiskB, 31, 2, std::nullopt, {}});

    tree.nodes[41] = {u"PCI\\VEN_144D&DEV_A808\\4&1", 100};
    tree.nodes[40] = {u"SCSI\\DISK&VEN_NVME\\4&1&0", 41};
    tree.storage.push_back({InterfaceClass::Disk, kInternalDisk, 40, 0, std::nullopt, {}});

    tree.volumes[u'A'] = {2, u"\\Device\\Floppy0", 1};
    tree.volumes[u'C'] = {3, u"\\Device\\HarddiskVolume3", 0};
    tree.volumes[u'D'] = {5, u"\\Device\\CdRom0", 0};
    tree.volumes[u'E'] = {2, u"\\Device\\HarddiskVolume7", 1};
    tree.volumes[u'F'] = {2, u"\\Device\\HarddiskVolume8", 2};
    tree.volumes[u'G'] = {4, u"\\Device\\LanmanRedirector\\;G:0\\server\\share", 1};
    tree.volumes[u'H'] = {2, std::nullopt, 1};  // no DOS device target
    return owner;
}

const transport::UsbDevice* FindUsb(const std::vector<transport::UsbDevice>& devices, const std::string& key) {
    for (const auto& device : devices) {
        if (device.key == key) return &device;
    }
    return nullptr;
}

TEST(WindowsEnumerator, ScanListsEachDriveWithItsLettersThroughItsCdRom) {
    auto tree = MachineWithTwoDrives();
    WindowsEnumerator enumerator(tree);

    const transport::DriveTable table = transport::ScanDrives(enumerator);

    ASSERT_EQ(table.records.size(), 2u);
    EXPECT_EQ(table.lines, (std::vector<std::u16string>{u"  1: QX7 Secure D: E: ", u"  2: Ostrivance QX7 FIPS  F: "}));
    const transport::DriveRecord& a = table.records[0];
    EXPECT_EQ(a.usb_key, kDriveAKey);
    EXPECT_EQ(a.parent_key, "USB\\ROOT_HUB30\\4&2A0B&0&0");
    EXPECT_EQ(a.hub_port, 3u);
    EXPECT_EQ(a.entry_index, 0u);
    // The CD-ROM comes first although the disk was listed first.
    EXPECT_EQ(a.storage_path, strings::ToUtf8(kCdRomA));
    ASSERT_EQ(a.storage_count, 2u);
    EXPECT_TRUE(a.is_cdrom[0]);
    EXPECT_FALSE(a.is_cdrom[1]);
    EXPECT_EQ(a.manufacturer, u"Ostrivance");
    EXPECT_EQ(a.serial_number, u"A0001");
    EXPECT_EQ(table.records[1].hub_port, 4u);
    EXPECT_EQ(table.records[1].manufacturer, u"");  // its index 1 has no descriptor
    // The vendor blocks were read through drive A's CD-ROM only.
    for (const auto& call : tree->pass_through) {
        if (call.path != kDiskB) {
            EXPECT_EQ(call.path, kCdRomA);
        }
    }
    EXPECT_EQ(tree->OpenHandles(), 0u);
}

TEST(WindowsEnumerator, OpenedDriveCommandsReachOnlyItsInterface) {
    auto tree = MachineWithTwoDrives();
    WindowsEnumerator enumerator(tree);
    const transport::DriveTable table = transport::ScanDrives(enumerator);
    tree->pass_through.clear();

    {
        const auto device = enumerator.Open(table.ListedRecord(1)->storage_path);
        ASSERT_NE(device, nullptr);
        std::array<std::uint8_t, transport::kStateBlockSize> state{};
        EXPECT_TRUE(transport::ReadDeviceStateBlock(*device, state));
        const std::vector<std::uint8_t> payload(288, 0x5A);
        transport::SystemCommandWrite(*device, {}, 288, payload);
    }

    ASSERT_EQ(tree->pass_through.size(), 3u);  // state read, pre-command, write
    for (const auto& call : tree->pass_through) EXPECT_EQ(call.path, kDiskB);
    EXPECT_EQ(tree->OpenHandles(), 0u);
}

TEST(WindowsEnumerator, UsbDevicesGetPortsAndStringsForKnownIdsOnly) {
    auto tree = MachineWithTwoDrives();
    tree->AddUsbDevice(50, u"USB\\ROOT_HUB30\\4&2A0B&0&0", 100, u"{36FC9E6C-C465-11CF-8056-444553540000}\\0001");
    WindowsEnumerator enumerator(tree);

    const auto devices = enumerator.UsbDevices();

    ASSERT_EQ(devices.size(), 4u);
    const auto* keyboard = FindUsb(devices, "USB\\VID_046D&PID_C31C\\5&1");
    ASSERT_NE(keyboard, nullptr);
    EXPECT_EQ(keyboard->vendor_id, 0x046D);
    EXPECT_EQ(keyboard->port, 0u);
    EXPECT_EQ(tree->descriptor_requests.count(1), 0u);  // no strings read from the unknown device
    const auto* hub = FindUsb(devices, "USB\\ROOT_HUB30\\4&2A0B&0&0");
    ASSERT_NE(hub, nullptr);
    EXPECT_EQ(hub->vendor_id, 0);
    const auto* a = FindUsb(devices, kDriveAKey);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->product, u"QX7 Secure");
    EXPECT_EQ(tree->descriptor_requests[3], 3);
    EXPECT_EQ(tree->last_setup_index, 0x0409);
}

TEST(WindowsEnumerator, NothingIsFoundWhenTheUsbListFails) {
    auto tree = MachineWithTwoDrives();
    tree->usb_list_fails = true;
    WindowsEnumerator enumerator(tree);
    const auto table = transport::ScanDrives(enumerator);
    EXPECT_TRUE(table.records.empty());
    EXPECT_TRUE(tree->opened.empty());
}

TEST(WindowsEnumerator, DriveWhoseStorageCannotBeOpenedIsNotListed) {
    auto tree = MachineWithTwoDrives();
    for (auto& entry : tree->storage) {
        if (entry.path == kCdRomA || entry.path == kDiskA) entry.open_error = 5;
    }
    WindowsEnumerator enumerator(tree);

    const auto table = transport::ScanDrives(enumerator);

    ASSERT_EQ(table.records.size(), 2u);
    EXPECT_EQ(table.records[0].storage_count, 0u);
    // Line numbers are table positions: drive B keeps its 2.
    EXPECT_EQ(table.lines, (std::vector<std::u16string>{u"  2: Ostrivance QX7 FIPS  F: "}));
    EXPECT_EQ(enumerator.OpenFailure(strings::ToUtf8(kCdRomA)), "Windows error 5");
    EXPECT_EQ(enumerator.OpenFailure(strings::ToUtf8(kDiskB)), "");
}

// Answers no device should give, each cut to what the buffers hold.
TEST(WindowsEnumerator, HostileAnswersStayInsideTheBuffers) {
    struct Case {
        const char* name;
        std::function<void(FakeDeviceTree&)> mutate;
        std::uint32_t port;
        std::u16string product;
    };
    const auto port_a = [](FakeDeviceTree& tree) -> test::FakePort& { return tree.hubs[0].ports[2]; };
    const std::vector<Case> cases = {
        {"byte counts far past the buffer", [&](FakeDeviceTree& t) { port_a(t).returned = 100000; }, 3, u"QX7 Secure"},
        {"connection information cut before its status", [&](FakeDeviceTree& t) { port_a(t).returned = 30; }, 0, u""},
        {"descriptor length past its text", [&](FakeDeviceTree& t) { port_a(t).descriptors[2][0] = 0xFF; }, 3,
         u"QX7 Secure"},
        {"descriptor length past the whole buffer",
         [&](FakeDeviceTree& t) {
             port_a(t).descriptors[2][0] = 0xFF;
             port_a(t).returned = 100000;
         },
         3, u"QX7 Secure"},
        {"odd descriptor length", [&](FakeDeviceTree& t) { port_a(t).descriptors[2][0] = 7; }, 3, u"QX"},
        {"descriptor of its length bytes only", [&](FakeDeviceTree& t) { port_a(t).descriptors[2][0] = 2; }, 3, u""},
        {"driver key on the port differs", [&](FakeDeviceTree& t) { port_a(t).driver_key = u"{other}\\0021"; }, 0, u""},
        {"driver key on the port cannot be read", [&](FakeDeviceTree& t) { port_a(t).driver_key.reset(); }, 0, u""},
        {"device's driver key fills its buffer unterminated",
         [&](FakeDeviceTree& t) { t.usb_devices[1].driver_key = std::vector<std::uint8_t>(520, 'k'); }, 0, u""},
        {"port driver key fills its buffer unterminated",
         [&](FakeDeviceTree& t) { port_a(t).driver_key = std::u16string(300, u'k'); }, 0, u""},
        {"instance id fills its buffer unterminated",
         [&](FakeDeviceTree& t) { t.nodes[20].id = u"USB\\VID_230A&PID_1180\\" + std::u16string(238, u'9'); }, 3,
         u"QX7 Secure"},
        {"hub reports no ports", [&](FakeDeviceTree& t) { t.hubs[0].ports.resize(0); }, 0, u""},
        {"drive moved to a port it does not fit", [&](FakeDeviceTree& t) { port_a(t).product_id = 0x1181; }, 0, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto tree = MachineWithTwoDrives();
        c.mutate(*tree);
        WindowsEnumerator enumerator(tree);
        const auto devices = enumerator.UsbDevices();
        const transport::UsbDevice* a = nullptr;
        for (const auto& device : devices) {
            if (device.vendor_id == 0x230A) a = &device;
        }
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->port, c.port);
        EXPECT_EQ(transport::FitText(a->product, transport::kUsbStringUnits), c.product);
        EXPECT_EQ(tree->OpenHandles(), 0u);
    }
}

TEST(WindowsEnumerator, StorageFindsItsUsbDeviceAtMostTwoLevelsUp) {
    struct Case {
        const char* name;
        std::vector<std::u16string> chain;  // parents above the interface, nearest first; the last hangs on the hub
        std::string usb_key;
    };
    const std::vector<Case> cases = {
        {"parent", {u"USB\\VID_230A&PID_1180\\X"}, "USB\\VID_230A&PID_1180\\X"},
        {"grandparent", {u"SCSI\\CDROM\\1", u"USB\\VID_230A&PID_1180\\X"}, "USB\\VID_230A&PID_1180\\X"},
        {"three levels up", {u"SCSI\\A\\1", u"SCSI\\B\\1", u"USB\\VID_230A&PID_1180\\X"}, ""},
        {"lower-case enumerator", {u"usb\\vid_230a&pid_1180\\x"}, "usb\\vid_230a&pid_1180\\x"},
        {"no USB node", {u"PCI\\VEN_1\\1"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto tree = std::make_shared<FakeDeviceTree>();
        tree->nodes[1] = {u"USB\\ROOT_HUB\\1", std::nullopt};
        DevInst above = 1;
        DevInst inst = 10;
        for (auto it = c.chain.rbegin(); it != c.chain.rend(); ++it, ++inst) {
            tree->nodes[inst] = {*it, above};
            above = inst;
        }
        tree->nodes[99] = {u"USBSTOR\\CDROM\\1", above};
        tree->storage.push_back({InterfaceClass::CdRom, u"\\\\?\\cd", 99, 4, std::nullopt, {}});
        WindowsEnumerator enumerator(tree);

        const auto interfaces = enumerator.StorageInterfaces(StorageClass::CdRom);

        ASSERT_EQ(interfaces.size(), 1u);
        EXPECT_EQ(interfaces[0].usb_key, c.usb_key);
        EXPECT_EQ(interfaces[0].path, "\\\\?\\cd");
        EXPECT_EQ(interfaces[0].device_number, (transport::DeviceNumber{0, 4}));
        EXPECT_TRUE(enumerator.StorageInterfaces(StorageClass::Disk).empty());
    }
}

TEST(WindowsEnumerator, VolumesSkipNetworkAndFloppyDrivesAndTellCdRoms) {
    auto tree = MachineWithTwoDrives();
    WindowsEnumerator enumerator(tree);

    const auto volumes = enumerator.Volumes();

    std::vector<std::u16string> letters;
    for (const auto& volume : volumes) letters.push_back(volume.mount_point);
    EXPECT_EQ(letters, (std::vector<std::u16string>{u"C:", u"D:", u"E:", u"F:"}));
    EXPECT_TRUE(volumes[1].is_cdrom);
    EXPECT_FALSE(volumes[0].is_cdrom);
    EXPECT_EQ(volumes[1].device_node, u"\\Device\\CdRom0");
    EXPECT_EQ(volumes[2].device_number, (transport::DeviceNumber{0, 1}));
    EXPECT_EQ(tree->OpenHandles(), 0u);
}

TEST(WindowsEnumerator, UsbIdsComeFromTheInstanceIdPrefix) {
    using Ids = std::optional<std::pair<std::uint16_t, std::uint16_t>>;
    const std::vector<std::pair<std::u16string, Ids>> cases = {
        {u"USB\\VID_230A&PID_1180\\0123", Ids({0x230A, 0x1180})},
        {u"usb\\vid_04c5&pid_2028", Ids({0x04C5, 0x2028})},
        {u"USB\\VID_230A&PID_118", std::nullopt},
        {u"USB\\VID_23G0&PID_1180\\1", std::nullopt},
        {u"USB\\VID_230A&MI_00&PID_1180", std::nullopt},
        {u"USBSTOR\\DISK&VEN_X", std::nullopt},
        {u"", std::nullopt},
    };
    for (const auto& [id, ids] : cases) EXPECT_EQ(UsbIdsOf(id), ids) << strings::ToUtf8(id);
}

}  // namespace
}  // namespace qx7::platform
