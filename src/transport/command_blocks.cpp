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

CommandBlock PageRead(const DriveCommand& command, std::uint32_t address) {
    CommandBlock block = Block10(command.opcode, command.buffer_id);
    block.bytes[4] = static_cast<std::uint8_t>(address);
    block.bytes[5] = static_cast<std::uint8_t>(address >> 8);
    block.bytes[6] = static_cast<std::uint8_t>(address >> 16);
    block.bytes[7] = static_cast<std::uint8_t>(command.length);
    block.bytes[8] = static_cast<std::uint8_t>(command.length >> 8);
    return block;
}

CommandBlock SystemCommand(std::uint8_t op, std::uint8_t buffer_id, std::uint8_t code, const CommandTemplate& tmpl,
                           std::uint32_t length) {
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

// The template a system command row sends: zeros, the caller's token or the
// row's own template.
CommandTemplate SystemTemplateOf(const DriveCommand& command, const CommandTemplate& tmpl) {
    CommandTemplate exact{};
    if (command.form == CommandForm::SystemTemplate) exact = command.tmpl;
    if (command.form == CommandForm::SystemToken) {
        for (std::size_t i = 8; i < 12; ++i) exact[i] = tmpl[i];
    }
    return exact;
}

}  // namespace

CommandBlock CommandBlockOf(const DriveCommand& command, const CommandTemplate& tmpl, std::uint32_t address) {
    switch (command.form) {
        case CommandForm::Inquiry: {
            CommandBlock block;
            block.length = 6;
            block.bytes[0] = command.opcode;
            block.bytes[4] = static_cast<std::uint8_t>(command.length);
            return block;
        }
        case CommandForm::Block:
        case CommandForm::PreCommand: return Block10(command.opcode, command.buffer_id);
        case CommandForm::Page: return PageRead(command, address);
        case CommandForm::SystemPlain:
        case CommandForm::SystemToken:
        case CommandForm::SystemTemplate:
            return SystemCommand(command.opcode, command.buffer_id, command.code, SystemTemplateOf(command, tmpl),
                                 command.length);
    }
    return {};
}

CommandBlock IdBlockCommand() { return CommandBlockOf(kIdBlockRead); }

CommandBlock StateBlockCommand() { return CommandBlockOf(kStateBlockRead); }

CommandBlock InquiryCommand() { return CommandBlockOf(kInquiry); }

CommandBlock MemoryPageCommand(std::uint32_t address) { return CommandBlockOf(kMemoryPageRead, {}, address); }

CommandBlock MemoryPageDirectCommand(std::uint32_t address) {
    return CommandBlockOf(kMemoryPageDirectRead, {}, address);
}

CommandBlock SystemReadCommand(std::uint8_t code, const CommandTemplate& tmpl, std::uint32_t length) {
    return SystemCommand(kOpReadBuffer, kBufferSystemRead, code, tmpl, length);
}

CommandBlock SystemWriteCommand(const CommandTemplate& tmpl, std::uint32_t length) {
    return SystemCommand(kSettingsWrite.opcode, kSettingsWrite.buffer_id, kSettingsWrite.code, tmpl, length);
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
    CommandBlock block = CommandBlockOf(kPreCommand);
    block.bytes[3] = announced.bytes[2];
    block.bytes[4] = static_cast<std::uint8_t>(checksum);
    block.bytes[5] = static_cast<std::uint8_t>(checksum >> 8);
    block.bytes[6] = 'F';
    block.bytes[7] = 'M';
    block.bytes[8] = 'L';
    return block;
}

}  // namespace qx7::transport
