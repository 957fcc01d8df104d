#pragma once
// A fake udev/sysfs tree of USB mass-storage devices (umockdev) whose SCSI
// generic nodes answer SG_IO with the drive simulator's firmware, so that
// the real udev and SG_IO code runs unchanged against simulated drives.
//
// Only usable in a process started under libumockdev-preload; mocked()
// says whether it is.

#include <umockdev.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/sim_session.h"

namespace qx7::test {

// One logical unit of a fake USB disk: its block device and, unless
// `generic` is empty, its scsi_generic node.
struct FakeUnit {
    std::string block;  // "sdb", "sr0"
    unsigned block_major = 0;
    unsigned block_minor = 0;
    bool cdrom = false;
    std::string partition;  // "sdb1", or empty for none (minor = block_minor + 1)
    std::string generic;    // "sg1", or empty for none
    unsigned generic_minor = 0;
};

struct FakeUsbDisk {
    std::string name;  // kernel name on root hub usb2: "2-1"
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    std::string manufacturer;
    std::string product;
    std::string serial;
    unsigned host = 0;  // SCSI host number
    std::vector<FakeUnit> units;
};

// Commands one node received, as hex command blocks.
using CommandLog = std::vector<std::string>;

class FakeDriveTree {
public:
    // Creates the testbed: from here on, udev in this process (and in
    // children started with this environment) sees only the fake tree.
    FakeDriveTree();
    ~FakeDriveTree();
    FakeDriveTree(const FakeDriveTree&) = delete;
    FakeDriveTree& operator=(const FakeDriveTree&) = delete;

    static bool mocked();

    // Adds the disk (and the root hub, the first time), which sends "add"
    // uevents. Fails the current test on a malformed record.
    void Add(const FakeUsbDisk& disk);
    // Sends "remove" uevents leaf first and removes the disk's devices.
    void Remove(const FakeUsbDisk& disk);
    // Sends one uevent for a device of the disk, given by its path below
    // the USB device ("" for the USB device itself).
    void Uevent(const FakeUsbDisk& disk, const std::string& below, const char* action);

    // SG_IO on /dev/<generic> runs on simulated drive `drive_index`.
    void AnswerSgIo(const std::string& generic, std::size_t drive_index);

    sim::SimSession& session() { return *context_->session; }
    CommandLog CommandsTo(const std::string& generic) const;

    // Syspath of the disk's USB device, and of a unit's block device.
    static std::string UsbPath(const FakeUsbDisk& disk);
    static std::string BlockPath(const FakeUsbDisk& disk, std::size_t unit);

    // The root of the fake tree on the real file system.
    std::string root() const;

    struct Context {
        std::mutex mutex;
        std::unique_ptr<sim::SimSession> session;
        std::map<std::string, std::unique_ptr<transport::ScsiDevice>> devices;  // by node path
        std::map<std::string, CommandLog> log;                                  // by node path
    };

private:
    UMockdevTestbed* testbed_;
    std::unique_ptr<Context> context_;
    std::vector<GObject*> handlers_;
    bool hub_added_ = false;
};

// Four simulated drives (DefaultDrive 0 to 3) for the trees to use.
sim::SimState FourDrives();

}  // namespace qx7::test
