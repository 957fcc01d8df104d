#include "helper/command_policy.h"

#include <cstdio>
#include <optional>

#include "protocol/constants.h"
#include "transport/command_blocks.h"

namespace qx7::helper {
namespace {

using transport::CommandBlock;
using transport::DataDirection;

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

// The template a system command carries: the token in bytes 8 to 11, every
// other byte zero.
transport::CommandTemplate TokenTemplate(const std::array<std::uint8_t, 16>& cdb) {
    transport::CommandTemplate tmpl{};
    for (std::size_t i = 8; i < 12; ++i) tmpl[i] = cdb[i];
    return tmpl;
}

// The tag read is the one system command whose template carries more than
// a token: bytes 6 and 7 hold 0x13 0x88, and its token bytes are zero.
bool IsTagReadTemplate(const std::array<std::uint8_t, 16>& cdb) {
    return cdb[6] == protocol::kRfidReadTemplate6 && cdb[7] == protocol::kRfidReadTemplate7;
}

transport::CommandTemplate TagReadTemplate() {
    transport::CommandTemplate tmpl{};
    tmpl[6] = protocol::kRfidReadTemplate6;
    tmpl[7] = protocol::kRfidReadTemplate7;
    return tmpl;
}

bool IsAnnouncedBuffer(std::uint8_t buffer_id) {
    return buffer_id == transport::kBufferMemoryPage || buffer_id == transport::kBufferMemoryPageDirect ||
           buffer_id == transport::kBufferSystemWrite;
}

// A pre-command announcing the buffer and carrying the checksum in `cdb`:
// the checksum belongs to the command that follows, so it is taken as sent.
CommandBlock PreCommandAsSent(const std::array<std::uint8_t, 16>& cdb) {
    CommandBlock block = transport::PreCommandFor(CommandBlock{});
    for (std::size_t i = 3; i < 6; ++i) block.bytes[i] = cdb[i];
    return block;
}

std::optional<Form> ReadBufferForm(const std::array<std::uint8_t, 16>& cdb) {
    using namespace transport;
    switch (cdb[2]) {
        case kBufferIdBlock:
            return Form{"the id-block read", IdBlockCommand(), DataDirection::In, kIdBlockSize};
        case kBufferStateBlock:
            return Form{"the state-block read", StateBlockCommand(), DataDirection::In, kStateBlockSize};
        case kBufferMemoryPage:
            return Form{"the memory-page read", MemoryPageCommand(Address24(cdb)), DataDirection::In,
                        kMemoryPageSize};
        case kBufferMemoryPageDirect:
            return Form{"the direct memory-page read", MemoryPageDirectCommand(Address24(cdb)),
                        DataDirection::In, kMemoryPageSize};
        case kBufferSystemRead:
            if (IsTagReadTemplate(cdb)) {
                return Form{"the RFID tag read",
                            SystemReadCommand(protocol::CMD_READ_RFID_TAG, TagReadTemplate(),
                                              protocol::kRfidTagLength),
                            DataDirection::In, protocol::kRfidTagLength};
            }
            return Form{"a system command read", SystemReadCommand(cdb[3], TokenTemplate(cdb), Length16(cdb)),
                        DataDirection::In, Length16(cdb)};
        default: return std::nullopt;
    }
}

std::optional<Form> WriteBufferForm(const std::array<std::uint8_t, 16>& cdb) {
    using namespace transport;
    switch (cdb[2]) {
        case kBufferPreCommand:
            if (!IsAnnouncedBuffer(cdb[3])) return std::nullopt;
            return Form{"a pre-command", PreCommandAsSent(cdb), DataDirection::None, 0};
        case kBufferSystemWrite:
            return Form{"the system command write", SystemWriteCommand(TokenTemplate(cdb), Length16(cdb)),
                        DataDirection::Out, Length16(cdb)};
        default: return std::nullopt;
    }
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

// The form the command set gives a block with this operation code and
// buffer id; empty when it has none.
std::optional<Form> FormOf(const std::array<std::uint8_t, 16>& cdb) {
    switch (cdb[0]) {
        case transport::kOpInquiry:
            return Form{"the INQUIRY", transport::InquiryCommand(), DataDirection::In,
                        transport::kInquirySize};
        case transport::kOpReadBuffer: return ReadBufferForm(cdb);
        case transport::kOpWriteBuffer: return WriteBufferForm(cdb);
        default: return std::nullopt;
    }
}

std::string NotInTheSet(const std::array<std::uint8_t, 16>& cdb) {
    const std::string tail = " is not in the QX7 command set";
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
    const std::optional<Form> form = FormOf(shape.cdb);
    if (!form) return block + ": " + NotInTheSet(shape.cdb);
    if (CommandBlock{shape.cdb, shape.cdb_length} != form->block) {
        return block + ": not " + form->name + " in the form the QX7 takes";
    }
    if (form->transfer_length > transport::kMaxTransferLength) {
        return block + ": transfer length " + std::to_string(form->transfer_length) + " is above " +
               std::to_string(transport::kMaxTransferLength);
    }
    if (shape.direction != form->direction || shape.transfer_length != form->transfer_length) {
        return block + ": " + form->name + " moves " + std::to_string(form->transfer_length) + " bytes " +
               DirectionText(form->direction) + ", not " + std::to_string(shape.transfer_length);
    }
    return {};
}

}  // namespace qx7::helper
