#include "transport/command_blocks.h"

namespace qx7::transport {
namespace {

CommandBlock Block10(std::uint8_t op, std::uint8_t buffer_id) {
    CommandBlock block;
    block.length = 10;
    block.bytes[0] = op;
    block.bytes[1] = kVendorMode;
    block.bytes[2] = buffer_id;
    return block;
}

CommandBlock PageRead(std::uint8_t buffer_id, std::uint32_t address) {
    CommandBlock block = Block10(kOpReadBuffer, buffer_id);
    block.bytes[4] = static_cast<std::uint8_t>(address);
    block.bytes[5] = static_cast<std::uint8_t>(address >> 8);
    block.bytes[6] = static_cast<std::uint8_t>(address >> 16);
    block.bytes[7] = static_cast<std::uint8_t>(kMemoryPageSize);
    block.bytes[8] = static_cast<std::uint8_t>(kMemoryPageSize >> 8);
    return block;
}

CommandBlock SystemCommand(std::uint8_t op, std::uint8_t buffer_id, std::uint8_t code,
                           const CommandTemplate& tmpl, std::uint32_t length) {
    CommandBlock block;
    block.length = 16;
    for (std::size_t i = 6; i < 16; ++i) block.bytes[i] = tmpl[i];
    block.bytes[0] = op;
    block.bytes[1] = kVendorMode;
    block.bytes[2] = buffer_id;
    block.bytes[3] = code;
    block.bytes[4] = static_cast<std::uint8_t>(length);
    block.bytes[5] = static_cast<std::uint8_t>(length >> 8);
    return block;
}

}  // namespace

CommandBlock IdBlockCommand() { return Block10(kOpReadBuffer, kBufferIdBlock); }

CommandBlock StateBlockCommand() { return Block10(kOpReadBuffer, kBufferStateBlock); }

CommandBlock InquiryCommand() {
    CommandBlock block;
    block.length = 6;
    block.bytes[0] = kOpInquiry;
    block.bytes[4] = static_cast<std::uint8_t>(kInquirySize);
    return block;
}

CommandBlock MemoryPageCommand(std::uint32_t address) {
    return PageRead(kBufferMemoryPage, address);
}

CommandBlock MemoryPageDirectCommand(std::uint32_t address) {
    return PageRead(kBufferMemoryPageDirect, address);
}

CommandBlock SystemReadCommand(std::uint8_t code, const CommandTemplate& tmpl,
                               std::uint32_t length) {
    return SystemCommand(kOpReadBuffer, kBufferSystemRead, code, tmpl, length);
}

CommandBlock SystemWriteCommand(const CommandTemplate& tmpl, std::uint32_t length) {
    return SystemCommand(kOpWriteBuffer, kBufferSystemWrite, kSystemWriteCode, tmpl, length);
}

std::uint16_t PreCommandChecksum(const CommandBlock& announced) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 10; i += 2) {
        sum += static_cast<std::uint32_t>(announced.bytes[i]) << 8 | announced.bytes[i + 1];
    }
    return static_cast<std::uint16_t>(0x10000u - (sum & 0xFFFFu));
}

CommandBlock PreCommandFor(const CommandBlock& announced) {
    const std::uint16_t checksum = PreCommandChecksum(announced);
    CommandBlock block = Block10(kOpWriteBuffer, kBufferPreCommand);
    block.bytes[3] = announced.bytes[2];
    block.bytes[4] = static_cast<std::uint8_t>(checksum);
    block.bytes[5] = static_cast<std::uint8_t>(checksum >> 8);
    block.bytes[6] = 'F';
    block.bytes[7] = 'M';
    block.bytes[8] = 'L';
    return block;
}

}  // namespace qx7::transport
