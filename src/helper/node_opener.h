#pragma once
// What the helper's request loop needs to open a node: the policy that
// decides which nodes may be opened lives behind this seam.

#include <memory>
#include <string>

#include "transport/scsi_device.h"

namespace qx7::helper {

class NodeOpener {
public:
    virtual ~NodeOpener() = default;
    // Null with *refusal set (a text for the user) when `path` may not or
    // cannot be opened.
    virtual std::unique_ptr<transport::ScsiDevice> Open(const std::string& path, std::string* refusal) = 0;
};

}  // namespace qx7::helper
