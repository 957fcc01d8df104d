#include "transport/pass_through_layout.h"

#include <algorithm>

namespace qx7::transport {
namespace {

constexpr std::size_t kLengthOffset = 0;
constexpr std::size_t kScsiStatusOffset = 2;
constexpr std::size_t kTargetIdOffset = 4;
constexpr std::size_t kCdbLengthOffset = 6;
constexpr std::size_t kSenseInfoLengthOffset = 7;
constexpr std::size_t kDataInOffset = 8;
constexpr std::size_t kTransferLengthOffset = 12;
constexpr std::size_t kTimeoutOffset = 16;
constexpr std::size_t kDataBufferOffsetOffset = 20;  // offset, or address when direct
constexpr std::size_t kSenseInfoOffsetOffset = 24;
constexpr std::size_t kCdbOffset = 28;
constexpr std::uint8_t kTargetId = 1;

void PutU16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(std::span<const std::uint8_t> in, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
    return value;
}

void WriteHeader(std::span<std::uint8_t> out, const CommandBlock& block, bool data_in, std::uint32_t transfer_length,
                 std::uint32_t data_field) {
    PutU16(out, kLengthOffset, static_cast<std::uint16_t>(kPassThroughHeaderLength));
    out[kTargetIdOffset] = kTargetId;
    out[kCdbLengthOffset] = block.length;
    out[kSenseInfoLengthOffset] = static_cast<std::uint8_t>(kSenseLength);
    out[kDataInOffset] = data_in ? 1 : 0;
    PutU32(out, kTransferLengthOffset, transfer_length);
    PutU32(out, kTimeoutOffset, kCommandTimeoutSeconds);
    PutU32(out, kDataBufferOffsetOffset, data_field);
    PutU32(out, kSenseInfoOffsetOffset, static_cast<std::uint32_t>(kPassThroughSenseOffset));
    std::copy_n(block.bytes.begin(), std::min<std::size_t>(block.length, block.bytes.size()), out.begin() + kCdbOffset);
}

}  // namespace

PassThroughBuffer LayOutPassThrough(const CommandBlock& block, DataDirection direction, std::uint32_t transfer_length,
                                    std::span<const std::uint8_t> out_data) {
    PassThroughBuffer buffer{};
    if (transfer_length > kMaxTransferLength) return buffer;
    if (direction == DataDirection::Out && transfer_length > out_data.size()) return buffer;
    WriteHeader(buffer, block, direction == DataDirection::In, transfer_length,
                static_cast<std::uint32_t>(kPassThroughDataOffset));
    if (direction == DataDirection::Out) {
        std::copy_n(out_data.begin(), transfer_length, buffer.begin() + kPassThroughDataOffset);
    }
    return buffer;
}

PassThroughDirectBuffer LayOutPassThroughDirect(const CommandBlock& block, std::uint32_t transfer_length,
                                                std::uint32_t destination_address) {
    PassThroughDirectBuffer buffer{};
    WriteHeader(buffer, block, true, transfer_length, destination_address);
    return buffer;
}

PassThroughAnswer ReadPassThroughAnswer(std::span<const std::uint8_t> header) {
    PassThroughAnswer answer;
    if (header.size() < kPassThroughHeaderLength) return answer;
    answer.scsi_status = header[kScsiStatusOffset];
    answer.transferred = GetU32(header, kTransferLengthOffset);
    return answer;
}

}  // namespace qx7::transport
