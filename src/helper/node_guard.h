#pragma once
// The helper's node policy: it opens only the scsi_generic node of a SCSI
// device that udev places under a USB device with one of KnownDeviceIds,
// checked afresh at every open.
//
// The path is first looked at without following links (a character device
// node, and exactly the node udev names for that device), then opened
// without following links, and the opened file must be the very inode that
// was checked, so that swapping the node between check and open is noticed.

#include "helper/node_opener.h"
#include "platform/linux/udev_handles.h"

namespace qx7::helper {

class GuardedNodeOpener final : public NodeOpener {
public:
    GuardedNodeOpener();
    // udev could be reached; without it every open is refused.
    bool ok() const { return context_ != nullptr; }

    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path, std::string* refusal) override;

private:
    platform::UdevPtr context_;
};

}  // namespace qx7::helper
