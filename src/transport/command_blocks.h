#pragma once
// The drive's vendor command blocks, built byte for byte. The drive speaks
// INQUIRY, READ BUFFER (0x3C) and WRITE BUFFER (0x3B), the last two always in
// vendor mode 1, with its own meaning for the buffer id (byte 2) and the
// bytes after it. Multi-byte values inside these blocks are little-endian.

#include <array>
#include <cstdint>

#include "transport/command_table.h"

namespace qx7::transport {

// The system command code that every system write carries.
inline constexpr std::uint8_t kSystemWriteCode = kSettingsWrite.code;

inline constexpr std::size_t kIdBlockSize = kIdBlockRead.length;
inline constexpr std::size_t kStateBlockSize = kStateBlockRead.length;
inline constexpr std::size_t kInquirySize = kInquiry.length;
inline constexpr std::size_t kMemoryPageSize = kMemoryPageRead.length;

struct CommandBlock {
    std::array<std::uint8_t, 16> bytes{};  // bytes past length stay zero
    std::uint8_t length = 0;               // 6, 10 or 16

    bool operator==(const CommandBlock&) const = default;
};

// The block of a row of the command table in its exact form. The Page form
// takes `address`, the SystemToken form bytes 8-11 of `tmpl` (the token);
// every other byte comes from the row. A pre-command's block depends on the
// block it announces: PreCommandFor.
CommandBlock CommandBlockOf(const DriveCommand& command, const CommandTemplate& tmpl = {}, std::uint32_t address = 0);

CommandBlock IdBlockCommand();     // 3C 01 52 00 ... (10 bytes)
CommandBlock StateBlockCommand();  // 3C 01 51 00 ... (10 bytes)
CommandBlock InquiryCommand();     // 12 00 00 00 24 00
// Memory page reads address a 24-bit byte address; bits above 23 are dropped.
CommandBlock MemoryPageCommand(std::uint32_t address);
CommandBlock MemoryPageDirectCommand(std::uint32_t address);
// `length` goes into bytes 4 and 5 low byte first (its low 16 bits).
CommandBlock SystemReadCommand(std::uint8_t code, const CommandTemplate& tmpl, std::uint32_t length);
CommandBlock SystemWriteCommand(const CommandTemplate& tmpl, std::uint32_t length);

// The checksum that a pre-command carries for the command it announces: the
// two's complement of the 16-bit sum of the announced block's first ten
// bytes, read as five big-endian words.
std::uint16_t PreCommandChecksum(const CommandBlock& announced);
// 3B 01 10 <announced byte 2> <checksum low> <checksum high> 46 4D 4C 00
CommandBlock PreCommandFor(const CommandBlock& announced);

}  // namespace qx7::transport
