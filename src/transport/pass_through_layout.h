#pragma once
// Byte layouts of the Windows SCSI pass-through requests (32-bit layout),
// for a Windows back end: the 2128-byte buffered request and the 80-byte
// direct request. Pure functions; nothing here talks to a device.

#include <array>
#include <cstdint>
#include <span>

#include "transport/command_blocks.h"
#include "transport/scsi_device.h"

namespace qx7::transport {

inline constexpr std::size_t kPassThroughBufferSize = 2128;
inline constexpr std::size_t kPassThroughDirectSize = 80;
inline constexpr std::size_t kPassThroughHeaderLength = 44;
inline constexpr std::size_t kPassThroughSenseOffset = 48;
inline constexpr std::size_t kPassThroughDataOffset = 80;
inline constexpr std::uint32_t kIoctlScsiPassThrough = 0x4D004;
inline constexpr std::uint32_t kIoctlScsiPassThroughDirect = 0x4D014;

using PassThroughBuffer = std::array<std::uint8_t, kPassThroughBufferSize>;
using PassThroughDirectBuffer = std::array<std::uint8_t, kPassThroughDirectSize>;

// The buffered request for `block`: header, command block and, for data-out,
// the first `transfer_length` bytes of `out_data` at the data area. Returns
// nothing useful (all zero) when transfer_length exceeds the 2048-byte data
// area or, for data-out, `out_data`; callers check that first.
PassThroughBuffer LayOutPassThrough(const CommandBlock& block, DataDirection direction, std::uint32_t transfer_length,
                                    std::span<const std::uint8_t> out_data = {});

// The direct request: the same header, with the 32-bit address of the
// caller's destination at offset 20 in place of the data offset.
PassThroughDirectBuffer LayOutPassThroughDirect(const CommandBlock& block, std::uint32_t transfer_length,
                                                std::uint32_t destination_address);

// What the platform leaves in a returned header.
struct PassThroughAnswer {
    std::uint8_t scsi_status = 0;
    std::uint32_t transferred = 0;
};
PassThroughAnswer ReadPassThroughAnswer(std::span<const std::uint8_t> header);

}  // namespace qx7::transport
