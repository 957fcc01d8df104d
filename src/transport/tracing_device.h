#pragma once
// A ScsiDevice decorator that writes one line per command to a stream:
//   scsi cdb=<hex> dir=<none|in|out> len=<requested> status=<hex|io-error> xfer=<n> data=<hex>
// data is the outgoing bytes for data-out and the transferred bytes for
// data-in (empty otherwise).

#include <memory>
#include <ostream>

#include "transport/device_enumerator.h"
#include "transport/scsi_device.h"

namespace qx7::transport {

class TracingDevice final : public ScsiDevice {
public:
    TracingDevice(ScsiDevice& inner, std::ostream& out);

    ScsiResult Execute(const ScsiRequest& request) override;

private:
    ScsiDevice& inner_;
    std::ostream& out_;
};

// Traces every device it opens; everything else passes through.
class TracingEnumerator final : public ForwardingEnumerator {
public:
    TracingEnumerator(DeviceEnumerator& inner, std::ostream& out);

    std::unique_ptr<ScsiDevice> Open(const std::string& path) override;

private:
    std::ostream& out_;
};

}  // namespace qx7::transport
