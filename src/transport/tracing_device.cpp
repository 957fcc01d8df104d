#include "transport/tracing_device.h"

#include <algorithm>
#include <string>

#include "strings/hex.h"

namespace qx7::transport {
namespace {

const char* DirectionText(DataDirection direction) {
    switch (direction) {
        case DataDirection::In: return "in";
        case DataDirection::Out: return "out";
        case DataDirection::None: break;
    }
    return "none";
}

// A traced device that owns the device it traces.
class OwningTracingDevice final : public ScsiDevice {
public:
    OwningTracingDevice(std::unique_ptr<ScsiDevice> inner, std::ostream& out)
        : inner_(std::move(inner)), tracer_(*inner_, out) {}
    ScsiResult Execute(const ScsiRequest& request) override { return tracer_.Execute(request); }

private:
    std::unique_ptr<ScsiDevice> inner_;
    TracingDevice tracer_;
};

}  // namespace

TracingDevice::TracingDevice(ScsiDevice& inner, std::ostream& out) : inner_(inner), out_(out) {}

ScsiResult TracingDevice::Execute(const ScsiRequest& request) {
    const ScsiResult result = inner_.Execute(request);
    const std::size_t cdb_length = std::min<std::size_t>(request.cdb_length, request.cdb.size());
    std::span<const std::uint8_t> data;
    if (request.direction == DataDirection::Out) {
        data = request.data;
    } else if (request.direction == DataDirection::In) {
        data = std::span<const std::uint8_t>(request.data)
                   .first(std::min<std::size_t>(result.transferred, request.data.size()));
    }
    std::string status = "io-error";
    if (result.io_ok) {
        status = strings::ToHex(std::span<const std::uint8_t>(&result.scsi_status, 1));
    }
    out_ << "scsi cdb=" << strings::ToHex(std::span(request.cdb).first(cdb_length))
         << " dir=" << DirectionText(request.direction) << " len=" << request.data.size()
         << " status=" << status << " xfer=" << result.transferred << " data=" << strings::ToHex(data)
         << '\n';
    return result;
}

TracingEnumerator::TracingEnumerator(DeviceEnumerator& inner, std::ostream& out)
    : ForwardingEnumerator(inner), out_(out) {}

std::unique_ptr<ScsiDevice> TracingEnumerator::Open(const std::string& path) {
    auto device = inner().Open(path);
    if (!device) return device;
    return std::make_unique<OwningTracingDevice>(std::move(device), out_);
}

}  // namespace qx7::transport
