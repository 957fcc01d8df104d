#pragma once
// The simulated bus: presents the drives of a SimSession to discovery as a
// platform would, and reports their plugging and unplugging as hot-plug
// events.
//
// Every plugged drive i (n = i + 1) appears as
//   USB device        key "sim/usb1/1-n" on the root hub "sim/usb1", port n,
//                     with the drive's ids and USB strings;
//   CD-ROM interface  (only when the drive has one) path "/dev/qx7sim/n/cdrom",
//                     device number 11:i; its volume is not mounted and shows
//                     its device node, the same path;
//   disk interface    path "/dev/qx7sim/n/disk", device number 8:16i; its one
//                     volume, device node "/dev/qx7sim/n/disk1", is mounted
//                     at "/media/qx7sim/n".
// Both interfaces open the same simulated drive. The numbers follow the
// Linux majors for SCSI CD-ROMs (11) and disks (8, sixteen minors a disk).
//
// Every member may be called from any thread: discovery reads a snapshot of
// the session's drives, plugging changes them through SimSession::Edit, and
// the pending events have a lock of their own.

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "transport/device_enumerator.h"
#include "transport/device_watcher.h"

namespace qx7::sim {

class SimSession;
struct SimDrive;

// The events that plugging (or unplugging) `drive` raises: the USB device
// comes before its storage interfaces and goes after them, so a plug is a
// device-tree change, then one arrival per storage interface; an unplug one
// removal per interface, then a device-tree change.
std::vector<transport::DeviceEvent> PlugEvents(const SimDrive& drive, bool plugged);

class SimBus : public transport::DeviceEnumerator, public transport::DeviceWatcher {
public:
    explicit SimBus(SimSession& session);

    // Connect or disconnect drive `index`: a device-tree change for the USB
    // device and an arrival or removal for each of its storage interfaces.
    // With a state file, the file is rewritten. False, with no event, when
    // there is no such drive or it already is in that state, or when the
    // file cannot be written (then *error says why and nothing changed).
    bool Plug(std::size_t index, std::string* error = nullptr);
    bool Unplug(std::size_t index, std::string* error = nullptr);

    std::vector<transport::UsbDevice> UsbDevices() override;
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass storage_class) override;
    std::vector<transport::Volume> Volumes() override;
    // Null for a path that belongs to no plugged drive.
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override;

    // Events are raised only by Plug and Unplug, on the caller's thread:
    // take them right after, or wait for them on another thread. Wake is
    // safe from any thread, not from a signal handler.
    bool WaitForChange(std::chrono::milliseconds timeout) override;
    void Wake() override;
    std::vector<transport::DeviceEvent> TakeEvents() override;

private:
    bool SetPlugged(std::size_t index, bool plugged, std::string* error);

    SimSession& session_;
    // Held through a whole plug or unplug, so that the events queue up in
    // the order the changes were made; never held while waiting for a drive.
    std::mutex mutex_;
    std::vector<transport::DeviceEvent> pending_;
    std::condition_variable changed_;  // events pending, or woken
    bool woken_ = false;
};

}  // namespace qx7::sim
