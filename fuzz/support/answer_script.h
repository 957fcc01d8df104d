#pragma once
// A drive whose answers come from a fuzz input, and the recorder that writes
// a real (simulated) drive's answers in the same form for the seeds.
//
// Per command, one control byte: its value modulo 3 is the outcome (0 GOOD,
// 1 CHECK CONDITION, 2 the platform call failed). A data-in command then
// takes a block (16-bit length, bytes): as many of its bytes as fit go into
// the request's buffer and count as transferred, whatever the outcome. Once
// the input is used up every command fails as an I/O error, as a drive that
// was pulled out.
//
// Each request is checked against what the platform back ends rely on
// before it reaches the answers: a command block of 6, 10 or 16 bytes with
// zeros past its length, a transfer of at most kMaxTransferLength bytes, and
// no buffer for a command without a data phase.

#include <cstdint>

#include "support/byte_reader.h"
#include "transport/scsi_device.h"

namespace qx7::fuzz {

// Outcomes of the control byte.
inline constexpr std::uint8_t kAnswerGood = 0;
inline constexpr std::uint8_t kAnswerCheckCondition = 1;
inline constexpr std::uint8_t kAnswerIoError = 2;

// Stops the process when `request` breaks the contract above.
void CheckRequestShape(const transport::ScsiRequest& request);

class AnswerScriptDevice final : public transport::ScsiDevice {
public:
    // The answers are read from `answers`, which must outlive the device;
    // several devices may share one reader (one script for a whole bus).
    explicit AnswerScriptDevice(ByteReader& answers) : answers_(answers) {}
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override;
    int commands() const { return commands_; }

private:
    ByteReader& answers_;
    int commands_ = 0;
};

class AnswerRecorder final : public transport::ScsiDevice {
public:
    AnswerRecorder(transport::ScsiDevice& inner, ByteWriter& script) : inner_(inner), script_(script) {}
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override;

private:
    transport::ScsiDevice& inner_;
    ByteWriter& script_;
};

}  // namespace qx7::fuzz
