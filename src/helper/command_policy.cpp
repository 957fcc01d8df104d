#include "helper/command_policy.h"

#include <cstdio>
#include <optional>

#include "transport/command_blocks.h"

namespace qx7::helper {
namespace {

using transport::CommandBlock;
using transport::CommandForm;
using transport::DataDirection;
using transport::DriveCommand;

// What one accepted command looks like.
struct Form {
    std::string name;
    CommandBlock block;
    DataDirection direction;
    std::uint32_t transfer_length;
};

std::uint32_t Address24(const std::array<std::uint8_t, 16>& cdb) {
    return static_cast<std::uint32_t>(cdb[4] | cdb[5] << 8 | cdb[6] << 16);
}

std::uint16_t Length16(const std::array<std::uint8_t, 16>& cdb) {
    return static_cast<std::uint16_t>(cdb[4] | cdb[5] << 8);
}

// A pre-command announcing the buffer and carrying the checksum in `cdb`:
// the checksum belongs to the command that follows, so it is taken as sent.
CommandBlock PreCommandAsSent(const std::array<std::uint8_t, 16>& cdb) {
    CommandBlock block = transport::PreCommandFor(CommandBlock{});
    for (std::size_t i = 3; i < 6; ++i) block.bytes[i] = cdb[i];
    return block;
}

// The row of the command table a block claims to be. A system read carrying
// a template row's template is taken as that row whatever its code, so that
// a near miss of the tag read is reported as one.
const DriveCommand* RowOf(const std::array<std::uint8_t, 16>& cdb) {
    if (const DriveCommand* by_template = transport::FindByTemplate(cdb)) return by_template;
    return transport::FindDriveCommand(cdb);
}

// The exact form of the row, with the parts the row lets vary (a page's
// address, a token) taken from `cdb`. Empty for a pre-command announcing a
// buffer that no command of the set needs announced.
std::optional<Form> FormOf(const DriveCommand& command, const std::array<std::uint8_t, 16>& cdb) {
    if (command.form == CommandForm::PreCommand) {
        if (!transport::IsAnnouncedBuffer(cdb[3])) return std::nullopt;
        return Form{command.name, PreCommandAsSent(cdb), command.direction, command.length};
    }
    return Form{command.name, transport::CommandBlockOf(command, cdb, Address24(cdb)), command.direction,
                command.length};
}

std::string Hex(const std::array<std::uint8_t, 16>& cdb, std::size_t length) {
    std::string text;
    char byte[4];
    for (std::size_t i = 0; i < length && i < cdb.size(); ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", cdb[i]);
        text += byte;
    }
    return text;
}

std::string Byte(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string NotInTheSet(const std::array<std::uint8_t, 16>& cdb) {
    const std::string tail = " is not in the QX7 command set";
    if (cdb[0] == transport::kOpReadBuffer && cdb[2] == transport::kBufferSystemRead) {
        return "system command read " + Byte(cdb[3]) + tail;
    }
    if (cdb[0] == transport::kOpWriteBuffer && cdb[2] == transport::kBufferSystemWrite) {
        return "system command write " + Byte(cdb[3]) + tail;
    }
    if (cdb[0] == transport::kOpReadBuffer) return "READ BUFFER of buffer " + Byte(cdb[2]) + tail;
    if (cdb[0] == transport::kOpWriteBuffer) {
        const std::string announced =
            cdb[2] == transport::kBufferPreCommand ? " announcing buffer " + Byte(cdb[3]) : std::string();
        return "WRITE BUFFER of buffer " + Byte(cdb[2]) + announced + tail;
    }
    return "operation code " + Byte(cdb[0]) + tail;
}

const char* DirectionText(DataDirection direction) {
    switch (direction) {
        case DataDirection::In: return "from the drive";
        case DataDirection::Out: return "to the drive";
        case DataDirection::None: break;
    }
    return "(no data phase)";
}

}  // namespace

std::string CommandRefusal(const CommandShape& shape) {
    const std::string block = "command block " + Hex(shape.cdb, shape.cdb_length);
    const DriveCommand* command = RowOf(shape.cdb);
    const std::optional<Form> form = command ? FormOf(*command, shape.cdb) : std::nullopt;
    if (!form) return block + ": " + NotInTheSet(shape.cdb);
    // A system command's length field beyond what any command may carry is
    // named as such, before the comparison with the row's own length.
    if (command->IsSystemCommand() && Length16(shape.cdb) > transport::kMaxTransferLength) {
        return block + ": transfer length " + std::to_string(Length16(shape.cdb)) + " is above " +
               std::to_string(transport::kMaxTransferLength);
    }
    if (CommandBlock{shape.cdb, shape.cdb_length} != form->block) {
        return block + ": not " + form->name + " in the form the QX7 takes";
    }
    if (shape.direction != form->direction || shape.transfer_length != form->transfer_length) {
        return block + ": " + form->name + " moves " + std::to_string(form->transfer_length) + " bytes " +
               DirectionText(form->direction) + ", not " + std::to_string(shape.transfer_length);
    }
    return {};
}

}  // namespace qx7::helper
