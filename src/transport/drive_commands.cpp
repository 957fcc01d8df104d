#include "transport/drive_commands.h"

#include <algorithm>
#include <array>

namespace qx7::transport {
namespace {

ScsiRequest MakeRequest(const CommandBlock& block, DataDirection direction, std::span<std::uint8_t> data) {
    ScsiRequest request;
    request.cdb = block.bytes;
    request.cdb_length = block.length;
    request.direction = direction;
    request.data = data;
    return request;
}

// Runs a data-in command through a private transfer area, as the buffered
// pass-through does, and copies back only what the drive transferred.
// `out` must be at least `length` bytes; it is written only on success.
bool BufferedRead(ScsiDevice& device, const CommandBlock& block, std::uint32_t length, std::span<std::uint8_t> out) {
    std::array<std::uint8_t, kMaxTransferLength> area{};
    const ScsiResult result = device.Execute(MakeRequest(block, DataDirection::In, std::span(area).first(length)));
    if (!result.ok()) return false;
    const std::size_t copied = std::min<std::size_t>(result.transferred, length);
    std::copy_n(area.begin(), copied, out.begin());
    return true;
}

template <std::size_t N>
bool FixedRead(ScsiDevice& device, const CommandBlock& block, std::span<std::uint8_t, N> out) {
    static_assert(N <= kMaxTransferLength);
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    return BufferedRead(device, block, static_cast<std::uint32_t>(N), out);
}

}  // namespace

bool ReadDeviceIdBlock(ScsiDevice& device, std::span<std::uint8_t, kIdBlockSize> out) {
    return FixedRead(device, IdBlockCommand(), out);
}

bool ReadDeviceStateBlock(ScsiDevice& device, std::span<std::uint8_t, kStateBlockSize> out) {
    return FixedRead(device, StateBlockCommand(), out);
}

bool ScsiInquiry(ScsiDevice& device, std::span<std::uint8_t, kInquirySize> out) {
    return FixedRead(device, InquiryCommand(), out);
}

bool SendPreCommand(ScsiDevice& device, const CommandBlock& announced) {
    return device.Execute(MakeRequest(PreCommandFor(announced), DataDirection::None, {})).ok();
}

bool ReadMemoryPage(ScsiDevice& device, std::uint32_t address, std::span<std::uint8_t, kMemoryPageSize> out) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    const CommandBlock block = MemoryPageCommand(address);
    if (!SendPreCommand(device, block)) return false;
    return BufferedRead(device, block, kMemoryPageSize, out);
}

bool ReadMemoryPageDirect(ScsiDevice& device, std::uint32_t address, std::span<std::uint8_t, kMemoryPageSize> out) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    const CommandBlock block = MemoryPageDirectCommand(address);
    if (!SendPreCommand(device, block)) return false;
    if (device.Execute(MakeRequest(block, DataDirection::In, out)).ok()) return true;
    // The platform may have written part of a page before failing; a failed
    // read must leave zeros, as the buffered reads do.
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    return false;
}

bool SystemCommandRead(ScsiDevice& device, std::uint8_t code, const CommandTemplate& tmpl, std::uint32_t length,
                       std::span<std::uint8_t> out) {
    if (length > kMaxTransferLength || length > out.size()) return false;
    return BufferedRead(device, SystemReadCommand(code, tmpl, length), length, out);
}

bool SystemCommandRead(ScsiDevice& device, const DriveCommand& command, const CommandTemplate& tmpl,
                       std::span<std::uint8_t> out) {
    if (!command.IsSystemCommand() || command.direction != DataDirection::In) return false;
    if (command.length > kMaxTransferLength || command.length > out.size()) return false;
    return BufferedRead(device, CommandBlockOf(command, tmpl), command.length, out);
}

bool SystemCommandWrite(ScsiDevice& device, const CommandTemplate& tmpl, std::uint32_t length,
                        std::span<const std::uint8_t> data) {
    if (length > kMaxTransferLength || length > data.size()) return false;
    std::array<std::uint8_t, kMaxTransferLength> area{};
    std::copy_n(data.begin(), length, area.begin());
    const CommandBlock block = SystemWriteCommand(tmpl, length);
    if (!SendPreCommand(device, block)) return false;
    return device.Execute(MakeRequest(block, DataDirection::Out, std::span(area).first(length))).ok();
}

}  // namespace qx7::transport
