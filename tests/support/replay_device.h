#pragma once
// A drive played back from a trace that qx7ctl --trace-full (or --trace)
// wrote: every command the code under test sends must be the next command
// the log recorded for that device (command block, direction, length and
// data out), and the answer (data in, status, bytes moved) is the log's.
//
// The log is parsed with every field checked; a line that does not start
// with "scsi " is skipped (qx7ctl's warning and messages share standard
// error with the trace), a "scsi " line that cannot be read is a problem.
// A data field shown as <redacted:N> (what --trace prints for the secrets)
// matches any N bytes sent; a redacted answer cannot be played, so the
// command that reaches it fails with a problem saying so.
//
// Every departure is kept as a problem naming the step ("step 7 (log line
// 9, dev=/dev/sg2): ..."); the command that departs fails as an I/O error.
// A test checks Problems() once the code under test is done; it also names
// the steps of the log that were never played.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/device_enumerator.h"
#include "transport/scsi_device.h"

namespace qx7::test {

struct TraceStep {
    std::size_t line = 0;  // 1-based line of the log
    std::string device;    // dev=..., empty when the line names none
    std::vector<std::uint8_t> cdb;
    transport::DataDirection direction = transport::DataDirection::None;
    std::size_t length = 0;               // len=: the transfer length asked for
    std::optional<std::uint8_t> status;   // none: the platform call failed (io-error)
    std::size_t transferred = 0;          // xfer=
    std::vector<std::uint8_t> data;       // data out, or the data in answered
    std::optional<std::size_t> redacted;  // <redacted:N>: data left out of the log
};

struct ParsedTrace {
    std::vector<TraceStep> steps;
    std::vector<std::string> problems;  // lines that could not be read
};

ParsedTrace ParseTrace(std::string_view text);

// The steps of one log, played per device in the log's order.
class ReplayScript {
public:
    explicit ReplayScript(ParsedTrace trace);

    // Plays the next step recorded for `device`.
    transport::ScsiResult Play(const std::string& device, const transport::ScsiRequest& request);

    // Everything that departed from the log, and the steps never played.
    std::vector<std::string> Problems() const;

private:
    std::string Where(std::size_t step) const;
    transport::ScsiResult Fail(std::string problem);

    mutable std::mutex mutex_;
    std::vector<TraceStep> steps_;
    std::vector<bool> played_;
    std::vector<std::string> problems_;
};

// A ScsiDevice that plays the steps `script` recorded for `device`.
class ReplayDevice final : public transport::ScsiDevice {
public:
    ReplayDevice(ReplayScript& script, std::string device) : script_(script), device_(std::move(device)) {}
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override {
        return script_.Play(device_, request);
    }

private:
    ReplayScript& script_;
    std::string device_;
};

// What is present comes from `listing` (the simulator's bus over the drive
// that was recorded, or a FakeEnumerator describing a real drive's USB
// device and storage nodes); opening any path gives a device playing the
// log's steps for that path, so no command reaches `listing`'s drives.
class ReplayEnumerator final : public transport::ForwardingEnumerator {
public:
    ReplayEnumerator(transport::DeviceEnumerator& listing, ReplayScript& script)
        : ForwardingEnumerator(listing), script_(script) {}
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override {
        return std::make_unique<ReplayDevice>(script_, path);
    }
    // The steps of one device are taken in the log's order; several
    // devices may still play at once.
    bool OpensInParallel() const override { return true; }

private:
    ReplayScript& script_;
};

}  // namespace qx7::test
