// The Linux back end: udev for what is present and for hot-plug, SG_IO for
// the commands, straight from this process when it has CAP_SYS_RAWIO and
// through the privileged helper otherwise.

#include "platform/machine_drives.h"

#include "platform/linux/scsi_opener.h"
#include "platform/linux/udev_enumerator.h"
#include "platform/linux/udev_watcher.h"

namespace qx7::platform {
namespace {

class LinuxDrives final : public MachineDrives {
public:
    LinuxDrives(std::unique_ptr<ScsiOpener> opener, std::unique_ptr<UdevEnumerator> udev)
        : opener_(std::move(opener)), udev_(std::move(udev)) {}

    transport::DeviceEnumerator& enumerator() override { return *udev_; }
    std::string AccessProblem() const override { return opener_->Unavailable(); }
    std::string OpenFailure(const std::string& path) const override { return udev_->OpenFailure(path); }

    std::vector<std::string> NodeDetails(const std::string& usb_key) override {
        std::vector<std::string> lines;
        for (const auto& node : udev_->StorageNodes()) {
            if (node.usb_key != usb_key) continue;
            std::string line = (node.storage_class == transport::StorageClass::CdRom ? "CD-ROM " : "disk ") +
                               node.block_node + " (" + transport::DeviceNumberText(node.device_number) + "): ";
            line += node.generic_node.empty()
                        ? "no SCSI generic node, so it cannot be opened (load the sg module: modprobe sg)"
                        : "SCSI generic node " + node.generic_node;
            lines.push_back(std::move(line));
        }
        return lines;
    }

    std::unique_ptr<transport::DeviceWatcher> Watch(std::string* error) override { return UdevWatcher::Create(error); }

private:
    std::unique_ptr<ScsiOpener> opener_;  // outlives the enumerator, which holds a reference to it
    std::unique_ptr<UdevEnumerator> udev_;
};

}  // namespace

std::unique_ptr<MachineDrives> OpenMachineDrives(FrontEnd front_end, AccessProblemHandler on_access_problem,
                                                 std::string* error) {
    const HelperAdvice advice = front_end == FrontEnd::Window ? HelperAdvice::Window : HelperAdvice::CommandLine;
    auto opener = MakeScsiOpener(std::move(on_access_problem), advice);
    auto udev = UdevEnumerator::Create(*opener, error);
    if (!udev) return nullptr;
    return std::make_unique<LinuxDrives>(std::move(opener), std::move(udev));
}

}  // namespace qx7::platform
