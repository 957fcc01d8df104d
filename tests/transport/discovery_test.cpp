#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"

#include "strings/text_codec.h"
#include "support/fake_enumerator.h"
#include "support/rendezvous.h"
#include "transport/discovery.h"

namespace qx7::transport {
namespace {

using test::FakeDriveBlocks;
using test::FakeEnumerator;
using test::PageMarker;

constexpr std::uint16_t kVendor = 0x230A;
constexpr std::uint16_t kProduct = 0x1180;

FakeDriveBlocks WithState(std::uint8_t state0, std::uint8_t layout = 0) {
    FakeDriveBlocks blocks;
    blocks.state_block[0] = state0;
    blocks.id_block[2] = layout;
    return blocks;
}

std::vector<std::string> Utf8(const std::vector<std::u16string>& texts) {
    std::vector<std::string> out;
    for (const auto& t : texts) out.push_back(strings::ToUtf8(t));
    return out;
}

// The addresses of the memory pages a device was asked for.
std::vector<std::uint32_t> PageAddresses(const test::ScriptedDevice& device) {
    std::vector<std::uint32_t> addresses;
    for (const auto& c : device.commands) {
        if (c.cdb[0] == kOpReadBuffer && c.cdb[2] == kBufferMemoryPage) {
            addresses.push_back(c.cdb[4] | c.cdb[5] << 8 | static_cast<std::uint32_t>(c.cdb[6]) << 16);
        }
    }
    return addresses;
}

TEST(Discovery, ListsDrivesByTheListingRule) {
    struct Case {
        const char* name;
        std::function<void(FakeEnumerator&)> setup;
        std::vector<std::string> lines;
        ListingMap listed;
    };
    const Case cases[] = {
        {"no device", [](FakeEnumerator&) {}, {}, {}},
        {"unknown ids and devices without key or parent are no drives",
         [](FakeEnumerator& e) {
             e.AddStorage(StorageClass::Disk, e.AddUsb(0x1234, 0x5678), {8, 0}, WithState(2));
             e.AddStorage(StorageClass::Disk, e.AddUsb(kVendor, kProduct), {8, 16}, WithState(2));
             e.usb_devices.back().key.clear();
             e.AddStorage(StorageClass::Disk, e.AddUsb(kVendor, kProduct), {8, 32}, WithState(2));
             e.usb_devices.back().parent_key.clear();
         },
         {},
         {}},
        {"lines carry table positions",
         [](FakeEnumerator& e) {
             // Another entry with a zero state: not listed even with layout 2.
             e.AddStorage(StorageClass::Disk, e.AddUsb(kVendor, 0x1181), {8, 0}, WithState(0, 2));
             e.AddStorage(StorageClass::Disk, e.AddUsb(0x04C5, 0x2026), {8, 16}, WithState(0x02));
             // The primary id with a zero state is listed on layout 2 only.
             e.AddStorage(StorageClass::Disk, e.AddUsb(kVendor, kProduct, u"QX7 Pro"), {8, 32}, WithState(0, 2));
             e.AddStorage(StorageClass::Disk, e.AddUsb(kVendor, kProduct), {8, 48}, WithState(0, 3));
             e.AddStorage(StorageClass::Disk, e.AddUsb(kVendor, kProduct), {8, 64}, WithState(0, 1));
         },
         {"  2: QX7 ", "  3: QX7 Pro "},
         {1, 2}},
        {"a drive without a usable storage interface is not listed",
         [](FakeEnumerator& e) {
             e.AddUsb(kVendor, kProduct);
             const std::string key = e.AddUsb(kVendor, kProduct);
             e.AddStorage(StorageClass::Disk, key, {8, 0}, WithState(2));
             e.devices.clear();  // nothing opens
         },
         {},
         {}},
        {"a drive whose id block did not read is not listed, whatever an earlier interface read",
         [](FakeEnumerator& e) {
             const std::string key = e.AddUsb(kVendor, kProduct);
             FakeDriveBlocks cdrom = WithState(0x01, 2);
             cdrom.fail_pages = true;
             FakeDriveBlocks disk = WithState(0x01, 2);
             disk.fail_id = true;
             e.AddStorage(StorageClass::CdRom, key, {11, 0}, cdrom);
             e.AddStorage(StorageClass::Disk, key, {8, 0}, disk);
         },
         {},
         {}},
        {"the FIPS model shows its full name",
         [](FakeEnumerator& e) {
             const std::string key = e.AddUsb(kVendor, kProduct, u"QX7FIPS");
             e.AddStorage(StorageClass::Disk, key, {8, 0}, WithState(0x02));
             e.AddVolume(u"/media/a", u"/dev/sdb1", false, {8, 0});
         },
         {"  1: Ostrivance QX7 FIPS  /media/a "},
         {0}},
        {"volumes follow device number and class, even when numbers coincide",
         [](FakeEnumerator& e) {
             const std::string a = e.AddUsb(kVendor, kProduct, u"A");
             const std::string b = e.AddUsb(kVendor, kProduct, u"B");
             e.AddStorage(StorageClass::CdRom, a, {0, 5}, WithState(0x02));
             e.AddStorage(StorageClass::Disk, a, {0, 6});
             e.AddStorage(StorageClass::Disk, b, {0, 5}, WithState(0x02));
             e.AddVolume(u"/media/a1", u"/dev/sdb1", false, {0, 6});
             e.AddVolume(u"", u"/dev/sr0", true, {0, 5});
             e.AddVolume(u"/media/b", u"/dev/sdc1", false, {0, 5});
             e.AddVolume(u"/media/a2", u"/dev/sdb2", false, {0, 6});
             e.AddVolume(u"/media/x", u"/dev/sdd1", false, {0, 7});
         },
         {"  1: A /media/a1 /dev/sr0 /media/a2 ", "  2: B /media/b "},
         {0, 1}},
    };
    for (const auto& c : cases) {
        FakeEnumerator enumerator;
        c.setup(enumerator);
        const DriveTable table = ScanDrives(enumerator);
        EXPECT_EQ(Utf8(table.lines), c.lines) << c.name;
        EXPECT_EQ(table.listing_map, c.listed) << c.name;
        for (std::size_t line = 0; line < table.listed_count(); ++line) {
            EXPECT_EQ(table.ListedRecord(line), &table.records[table.listing_map[line]]) << c.name;
        }
        EXPECT_EQ(table.ListedRecord(table.listed_count()), nullptr) << c.name;
    }
}

TEST(Discovery, RecordsTheFirstMatchingEntryAndTheUsbDevice) {
    struct Case {
        std::uint16_t vendor, product;
        std::uint32_t entry;
    };
    const Case cases[] = {{0x230A, 0x1180, 0}, {0x04C5, 0x2026, 1}, {0x04C5, 0x2028, 2}, {0x230A, 0x1181, 4}};
    FakeEnumerator enumerator;
    for (const auto& c : cases) enumerator.AddUsb(c.vendor, c.product);
    enumerator.usb_devices[1].manufacturer = u"Maker";
    enumerator.usb_devices[1].serial_number = u"0042";

    const auto records = DiscoverDrives(enumerator);
    ASSERT_EQ(records.size(), std::size(cases));
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].entry_index, cases[i].entry) << i;
        EXPECT_EQ(records[i].vendor_id, cases[i].vendor) << i;
        EXPECT_EQ(records[i].product_id, cases[i].product) << i;
        EXPECT_EQ(records[i].hub_port, i + 1) << i;
        EXPECT_EQ(records[i].usb_key, enumerator.usb_devices[i].key) << i;
        EXPECT_EQ(records[i].parent_key, "usb/1") << i;
    }
    EXPECT_EQ(records[1].manufacturer, u"Maker");
    EXPECT_EQ(records[1].product, u"QX7");
    EXPECT_EQ(records[1].serial_number, u"0042");
}

TEST(Discovery, ReadsTheConfigurationAreaOnlyWhenTheStateAnnouncesIt) {
    struct Case {
        std::uint8_t layout, state0;
        std::optional<std::uint32_t> base;
    };
    const Case cases[] = {
        {2, 0x01, 0x0000}, {3, 0x40, 0x0000},       {1, 0x01, 0x1000},
        {0, 0x41, 0x1000}, {2, 0x02, std::nullopt}, {2, 0x80, std::nullopt},
    };
    for (const auto& c : cases) {
        FakeEnumerator enumerator;
        const auto device = enumerator.AddStorage(StorageClass::Disk, enumerator.AddUsb(kVendor, kProduct), {8, 0},
                                                  WithState(c.state0, c.layout));
        const DriveTable table = ScanDrives(enumerator);
        ASSERT_EQ(table.listed_count(), 1u) << int(c.state0);
        const DriveRecord& record = table.records[0];
        EXPECT_EQ(record.id_block[2], c.layout);
        EXPECT_EQ(record.inquiry_data[0], 0x05);
        if (!c.base) {
            EXPECT_THAT(PageAddresses(*device), testing::IsEmpty()) << int(c.state0);
            EXPECT_TRUE(std::all_of(record.config_area.begin(), record.config_area.end(),
                                    [](std::uint8_t b) { return b == 0; }));
            continue;
        }
        const std::uint32_t base = *c.base;
        EXPECT_THAT(PageAddresses(*device), testing::ElementsAre(base, base + 0x400, base + 0x800, base + 0xC00))
            << int(c.layout);
        for (std::uint32_t page = 0; page < 4; ++page) {
            EXPECT_EQ(record.config_area[page * 1024], PageMarker(base + page * 0x400));
            EXPECT_EQ(record.config_area[page * 1024 + 1023], PageMarker(base + page * 0x400));
        }
    }
}

TEST(Discovery, StoragePhaseTakesTheCdRomFirstAndRetriesOnTheNextInterface) {
    struct Case {
        const char* name;
        std::function<void(FakeEnumerator&, const std::string& cdrom)> spoil;
        const char* storage_path;
        std::vector<bool> is_cdrom;
        bool disk_read;  // the disk was asked for the blocks
    };
    const Case cases[] = {
        {"both usable", [](FakeEnumerator&, const std::string&) {}, "usb/1-1/sr0", {true, false}, false},
        {"failed page read on the cd-rom",
         [](FakeEnumerator& e, const std::string& cdrom) {
             FakeDriveBlocks blocks = WithState(0x01, 2);
             blocks.fail_pages = true;
             e.devices[cdrom]->handler = test::AnswerDriveReads(blocks);
         },
         "usb/1-1/sd0",
         {false},
         true},
        {"failed state read on the cd-rom still registers it",
         [](FakeEnumerator& e, const std::string& cdrom) {
             FakeDriveBlocks blocks = WithState(0x01, 2);
             blocks.fail_state = true;
             e.devices[cdrom]->handler = test::AnswerDriveReads(blocks);
         },
         "usb/1-1/sr0",
         {true, false},
         false},
        {"cd-rom that does not open",
         [](FakeEnumerator& e, const std::string& cdrom) { e.devices.erase(cdrom); },
         "usb/1-1/sd0",
         {false},
         true},
        {"cd-rom without a device number",
         [](FakeEnumerator& e, const std::string&) { e.cdroms[0].device_number.reset(); },
         "usb/1-1/sd0",
         {false},
         true},
    };
    for (const auto& c : cases) {
        FakeEnumerator enumerator;
        const std::string key = enumerator.AddUsb(kVendor, kProduct);
        // Listed in the opposite order: the class decides, not the enumeration.
        const auto disk = enumerator.AddStorage(StorageClass::Disk, key, {8, 0}, WithState(0x01, 2));
        enumerator.AddStorage(StorageClass::CdRom, key, {11, 0}, WithState(0x01, 2));
        c.spoil(enumerator, enumerator.cdroms[0].path);

        const DriveTable table = ScanDrives(enumerator);
        ASSERT_EQ(table.drive_count(), 1u) << c.name;
        const DriveRecord& record = table.records[0];
        EXPECT_EQ(record.storage_path, c.storage_path) << c.name;
        ASSERT_EQ(record.storage_count, c.is_cdrom.size()) << c.name;
        for (std::size_t k = 0; k < c.is_cdrom.size(); ++k) {
            EXPECT_EQ(record.is_cdrom[k], c.is_cdrom[k]) << c.name;
        }
        EXPECT_EQ(!disk->commands.empty(), c.disk_read) << c.name;
        if (c.disk_read) {
            EXPECT_EQ(record.config_area[0], PageMarker(0)) << c.name;
        }
        EXPECT_EQ(enumerator.opened.size(), 2u) << c.name;
    }
}

TEST(Discovery, IgnoresWhatDoesNotFitTheTable) {
    FakeEnumerator enumerator;
    for (int i = 0; i < 101; ++i) {
        const std::string key = enumerator.AddUsb(kVendor, kProduct);
        enumerator.AddStorage(StorageClass::Disk, key, {8, static_cast<std::uint32_t>(16 * i)}, WithState(0x02));
    }
    // The first drive has twelve storage interfaces and forty volumes.
    for (std::uint32_t k = 1; k < 12; ++k) {
        enumerator.AddStorage(StorageClass::Disk, enumerator.usb_devices[0].key, {9, k});
    }
    for (int v = 0; v < 40; ++v) enumerator.AddVolume(u"", u"/dev/sdb-volume", false, {8, 0});

    const DriveTable table = ScanDrives(enumerator);
    ASSERT_EQ(table.drive_count(), kMaxDrives);
    ASSERT_EQ(table.listed_count(), kMaxDrives);
    EXPECT_EQ(strings::ToUtf8(table.lines[98]), " 99: QX7 ");
    EXPECT_EQ(table.records[0].storage_count, kMaxStorageDevices);
    EXPECT_EQ(table.records[0].device_numbers[9], (DeviceNumber{9, 9}));
    EXPECT_EQ(table.records[0].volumes.size(), kMaxVolumes);
    EXPECT_EQ(table.lines[0].size(), kLineUnits);
    // Interfaces past the tenth are not even opened; those of drives past
    // the 99th have no record to join.
    EXPECT_EQ(enumerator.opened.size(), 99u + 9u);
}

TEST(Discovery, CutsOverlongUsbStringsAtACharacterBoundary) {
    const std::u16string smiley = u"\U0001F600";
    FakeEnumerator enumerator;
    enumerator.AddUsb(kVendor, kProduct, std::u16string(63, u'p') + smiley + u"tail");
    enumerator.usb_devices[0].manufacturer = std::u16string(62, u'm') + smiley + u"tail";
    enumerator.usb_devices[0].serial_number = std::u16string(u"AB\0CD", 5);

    const auto records = DiscoverDrives(enumerator);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].product, std::u16string(63, u'p'));
    EXPECT_EQ(records[0].manufacturer, std::u16string(62, u'm') + smiley);
    EXPECT_EQ(records[0].serial_number, u"AB");
}

TEST(Discovery, AccountsForDrivesItFindsButCannotList) {
    FakeEnumerator enumerator;
    for (int i = 0; i < 101; ++i) {
        const std::string key = enumerator.AddUsb(kVendor, kProduct);
        enumerator.usb_devices.back().serial_number = u"SN" + strings::FromUtf8(std::to_string(i + 1));
        FakeDriveBlocks blocks = WithState(0x02);
        blocks.fail_state = i == 4;  // a transient error while drive 5 is read
        enumerator.AddStorage(StorageClass::Disk, key, {8, static_cast<std::uint32_t>(16 * i)}, blocks);
    }
    // Drive 7 has no state and reads cleanly: not one of the unlisted.
    enumerator.devices.at(enumerator.disks[6].path) =
        std::make_shared<test::ScriptedDevice>(test::AnswerDriveReads(WithState(0)));

    const DriveTable table = ScanDrives(enumerator);
    // The window shows what it showed before.
    EXPECT_EQ(table.drive_count(), kMaxDrives);
    EXPECT_EQ(table.listed_count(), kMaxDrives - 2);
    ASSERT_EQ(table.unlisted.size(), 3u);
    EXPECT_EQ(table.unlisted[0].serial_number, u"SN5");
    EXPECT_EQ(table.unlisted[0].reason, UnlistedReason::ScanFailed);
    EXPECT_EQ(table.unlisted[1].serial_number, u"SN100");
    EXPECT_EQ(table.unlisted[1].reason, UnlistedReason::TableFull);
    EXPECT_EQ(table.unlisted[2].serial_number, u"SN101");
}

TEST(Discovery, ReadsTheDrivesAtOnceEachInItsOwnOrder) {
    // Every command waits until all three drives have a command waiting at
    // once (or gives up after a while); drives read one after the other
    // never meet. The tables agree with a scan where they never wait.
    std::vector<sim::SimDrive> drives;
    for (std::size_t i = 0; i < 3; ++i) {
        drives.push_back(sim::DefaultDrive(i));
        drives.back().latency_ms = 1;
    }
    sim::SimSession quick_session(sim::SimState{drives});
    sim::SimBus quick_bus(quick_session);
    const DriveTable quick = ScanDrives(quick_bus);

    sim::SimSession session(sim::SimState{drives});
    sim::SimBus bus(session);
    test::Rendezvous rendezvous(3);
    session.SetSleeper(rendezvous.Sleeper());
    const DriveTable table = ScanDrives(bus);
    EXPECT_TRUE(rendezvous.met());
    ASSERT_EQ(table.listed_count(), 3u);
    EXPECT_EQ(table.lines, quick.lines);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(table.records[i].id_block, quick.records[i].id_block) << i;
        EXPECT_EQ(table.records[i].state_block, quick.records[i].state_block) << i;
        EXPECT_EQ(table.records[i].config_area, quick.records[i].config_area) << i;
    }
}

TEST(DriveLine, FormatsPositionProductAndVolumes) {
    struct Case {
        std::size_t position;
        std::u16string product;
        std::vector<std::u16string> volumes;
        const char* line;
    };
    const Case cases[] = {
        {1, u"QX7", {}, "  1: QX7 "},
        {99, u"QX7FIPS", {u"/media/x", u"/dev/sr1"}, " 99: Ostrivance QX7 FIPS  /media/x /dev/sr1 "},
        {5, u"qx7fips", {}, "  5: qx7fips "},
        {7, u"QX7FIPS2", {}, "  7: QX7FIPS2 "},
        {10, u"", {u"/m"}, " 10:  /m "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(strings::ToUtf8(DriveLine(c.position, c.product, c.volumes)), c.line);
    }
}

TEST(DriveLine, CutsALongLineWithoutSplittingACharacter) {
    // "  1: Q " is seven units; the volume puts a surrogate pair across the cut.
    const std::u16string volume = std::u16string(kLineUnits - 8, u'v') + u"\U0001F600";
    const std::u16string line = DriveLine(1, u"Q", std::vector{volume, volume});
    EXPECT_EQ(line, u"  1: Q " + std::u16string(kLineUnits - 8, u'v'));
}

TEST(FitText, KeepsWholeCharactersUpToTheFirstNul) {
    struct Case {
        std::u16string text;
        std::size_t units;
        std::u16string fitted;
    };
    const Case cases[] = {
        {u"abc", 3, u"abc"},
        {u"abcd", 3, u"abc"},
        {std::u16string(u"a\0bc", 4), 3, u"a"},
        {u"ab\U0001F600", 3, u"ab"},
        {u"ab\U0001F600", 4, u"ab\U0001F600"},
        {u"\U0001F600", 1, u""},
        {u"abc", 0, u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitText(c.text, c.units), c.fitted) << strings::ToUtf8(c.text) << " " << c.units;
    }
}

}  // namespace
}  // namespace qx7::transport
