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

}  // namespace qx7::transport
