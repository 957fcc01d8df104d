#include "transport/tracing_device.h"

#include <algorithm>
#include <string>

#include "strings/hex.h"
#include "transport/command_table.h"

namespace qx7::transport {

const char* DirectionText(DataDirection direction) {
    switch (direction) {
        case DataDirection::In: return "in";
        case DataDirection::Out: return "out";
        case DataDirection::None: break;
    }
    return "none";
}

std::optional<DataDirection> DirectionFromText(std::string_view text) {
    if (text == "none") return DataDirection::None;
    if (text == "in") return DataDirection::In;
    if (text == "out") return DataDirection::Out;
    return std::nullopt;
}

namespace {

// Whether the data of this command lets a reader recover the channel key or
// the passwords: the command table marks those rows secret (the channel
// key's answer, the settings write). A code the table does not know, on a
// buffer that carries secrets, is left out too.
bool CarriesSecret(const ScsiRequest& request) {
    if (const DriveCommand* command = FindDriveCommand(request.cdb)) return command->secret;
    return request.cdb_length >= 4 && IsSecretBuffer(request.cdb[0], request.cdb[2]);
}

// A traced device that owns the device it traces.
class OwningTracingDevice final : public ScsiDevice {
public:
    OwningTracingDevice(std::unique_ptr<ScsiDevice> inner, std::ostream& out, TraceMode mode, std::string device)
        : inner_(std::move(inner)), tracer_(*inner_, out, mode, std::move(device)) {}
    ScsiResult Execute(const ScsiRequest& request) override { return tracer_.Execute(request); }

private:
    std::unique_ptr<ScsiDevice> inner_;
    TracingDevice tracer_;
};

}  // namespace

TracingDevice::TracingDevice(ScsiDevice& inner, std::ostream& out, TraceMode mode, std::string device)
    : inner_(inner), out_(out), mode_(mode), device_(std::move(device)) {}

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
    std::string data_text;
    if (mode_ == TraceMode::Redacted && !data.empty() && CarriesSecret(request)) {
        data_text = "<redacted:" + std::to_string(data.size()) + ">";
    } else {
        data_text = strings::ToHex(data);
    }
    // One write per line: drives traced on several threads do not mix their
    // lines.
    std::string line = "scsi ";
    if (!device_.empty()) line += "dev=" + device_ + " ";
    line += "cdb=" + strings::ToHex(std::span(request.cdb).first(cdb_length)) +
            " dir=" + DirectionText(request.direction) + " len=" + std::to_string(request.data.size()) +
            " status=" + status + " xfer=" + std::to_string(result.transferred) + " data=" + data_text + "\n";
    out_ << line << std::flush;
    return result;
}

TracingEnumerator::TracingEnumerator(DeviceEnumerator& inner, std::ostream& out, TraceMode mode)
    : ForwardingEnumerator(inner), out_(out), mode_(mode) {}

std::unique_ptr<ScsiDevice> TracingEnumerator::Open(const std::string& path) {
    auto device = inner().Open(path);
    if (!device) return device;
    return std::make_unique<OwningTracingDevice>(std::move(device), out_, mode_, path);
}

}  // namespace qx7::transport
