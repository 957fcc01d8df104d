#pragma once
// A ScsiDevice decorator that writes one line per command to a stream:
//   scsi [dev=<path>] cdb=<hex> dir=<none|in|out> len=<requested> status=<hex|io-error> xfer=<n> data=<hex>
// data is the outgoing bytes for data-out and the transferred bytes for
// data-in (empty otherwise).
//
// By default the data of the two exchanges from which a reader of the trace
// could recover the channel key and the passwords is not printed: the answer
// of the channel-key command (0x7E, enciphered with a key made from the
// drive's public id) and the data of the settings write (0x31, enciphered
// with that channel key, holding the passwords). Their data shows as
// `<redacted:N>`, N the number of bytes left out. The full mode prints them.

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "transport/device_enumerator.h"
#include "transport/scsi_device.h"

namespace qx7::transport {

enum class TraceMode {
    Redacted,  // secret-bearing data replaced by <redacted:N>
    Full,      // every byte, secrets included
};

// The word a trace line gives a direction (dir=none|in|out), and back:
// nothing for a word that names none.
const char* DirectionText(DataDirection direction);
std::optional<DataDirection> DirectionFromText(std::string_view text);

class TracingDevice final : public ScsiDevice {
public:
    // `device` names the device in each line (dev=...); empty: no name.
    TracingDevice(ScsiDevice& inner, std::ostream& out, TraceMode mode = TraceMode::Redacted, std::string device = {});

    ScsiResult Execute(const ScsiRequest& request) override;

private:
    ScsiDevice& inner_;
    std::ostream& out_;
    TraceMode mode_;
    std::string device_;
};

// Traces every device it opens, each line naming the path it was opened by; everything else passes through.
class TracingEnumerator final : public ForwardingEnumerator {
public:
    TracingEnumerator(DeviceEnumerator& inner, std::ostream& out, TraceMode mode = TraceMode::Redacted);

    std::unique_ptr<ScsiDevice> Open(const std::string& path) override;

private:
    std::ostream& out_;
    TraceMode mode_;
};

}  // namespace qx7::transport
