#include "support/scripted_device.h"

#include "strings/hex.h"

#include <cctype>
#include <stdexcept>

namespace qx7::test {

transport::ScsiResult Good(std::size_t transferred) { return {true, 0, static_cast<std::uint32_t>(transferred)}; }
transport::ScsiResult CheckCondition() { return {true, 2, 0}; }
transport::ScsiResult IoError() { return {false, 0, 0}; }

ScriptedDevice::ScriptedDevice() : handler([](const transport::ScsiRequest& r) { return Good(r.data.size()); }) {}

ScriptedDevice::ScriptedDevice(ScsiHandler h) : handler(std::move(h)) {}

transport::ScsiResult ScriptedDevice::Execute(const transport::ScsiRequest& request) {
    RecordedCommand recorded;
    recorded.cdb.assign(request.cdb.begin(), request.cdb.begin() + request.cdb_length);
    recorded.direction = request.direction;
    recorded.length = request.data.size();
    recorded.timeout_seconds = request.timeout_seconds;
    if (request.direction == transport::DataDirection::Out) {
        recorded.data_out.assign(request.data.begin(), request.data.end());
    }
    commands.push_back(std::move(recorded));
    return handler(request);
}

std::string Hex(const std::vector<std::uint8_t>& bytes) { return strings::ToHex(bytes); }

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : hex) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) throw std::invalid_argument(hex);
        const int value = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | value));
            high = -1;
        }
    }
    if (high >= 0) throw std::invalid_argument(hex);
    return bytes;
}

}  // namespace qx7::test
