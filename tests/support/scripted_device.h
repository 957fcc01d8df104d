#pragma once
// A ScsiDevice for tests: records every request it receives and answers
// each with a handler chosen by the test (by default GOOD status with the
// whole transfer done and no data).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "transport/scsi_device.h"

namespace qx7::test {

struct RecordedCommand {
    std::vector<std::uint8_t> cdb;  // cdb_length bytes
    transport::DataDirection direction = transport::DataDirection::None;
    std::size_t length = 0;
    std::vector<std::uint8_t> data_out;  // the bytes sent, for data-out
    std::uint32_t timeout_seconds = 0;
};

// Answers one request: may fill request.data (data-in) and returns the
// result the device reports.
using ScsiHandler = std::function<transport::ScsiResult(const transport::ScsiRequest&)>;

class ScriptedDevice : public transport::ScsiDevice {
public:
    ScriptedDevice();
    explicit ScriptedDevice(ScsiHandler handler);

    transport::ScsiResult Execute(const transport::ScsiRequest& request) override;

    std::vector<RecordedCommand> commands;
    ScsiHandler handler;
};

// Results for handlers.
transport::ScsiResult Good(std::size_t transferred);
transport::ScsiResult CheckCondition();
transport::ScsiResult IoError();

// Hex text of bytes ("3c01ce...") and back, for readable fixtures.
std::string Hex(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> FromHex(const std::string& hex);  // spaces ignored

}  // namespace qx7::test
