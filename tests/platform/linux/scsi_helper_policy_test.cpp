// The helper's command policy: the QX7 command set in its exact forms and
// nothing else: every row of the command table, code and length pinned.

#include <gtest/gtest.h>

#include "helper/command_policy.h"
#include "transport/command_blocks.h"
#include "transport/command_table.h"

namespace qx7::helper {
namespace {

using transport::CommandBlock;
using transport::DataDirection;

CommandShape Shape(const CommandBlock& block, DataDirection direction, std::uint32_t length) {
    return {block.bytes, block.length, direction, length};
}

CommandBlock Changed(CommandBlock block, std::size_t at, std::uint8_t value) {
    block.bytes[at] = value;
    return block;
}

transport::CommandTemplate TagRead() {
    transport::CommandTemplate tmpl{};
    tmpl[6] = 0x13;
    tmpl[7] = 0x88;
    return tmpl;
}

transport::CommandTemplate Token() {
    transport::CommandTemplate tmpl{};
    tmpl[8] = 0x11;
    tmpl[9] = 0x22;
    tmpl[10] = 0x33;
    tmpl[11] = 0x44;
    return tmpl;
}

TEST(CommandPolicy, AcceptsEachCommandOfTheSetInItsForm) {
    using namespace transport;
    const CommandShape accepted[] = {
        Shape(InquiryCommand(), DataDirection::In, 36),
        Shape(IdBlockCommand(), DataDirection::In, 8),
        Shape(StateBlockCommand(), DataDirection::In, 12),
        Shape(MemoryPageCommand(0x1C00), DataDirection::In, 1024),
        Shape(MemoryPageDirectCommand(0x81000), DataDirection::In, 1024),
        Shape(SystemReadCommand(0x30, Token(), 160), DataDirection::In, 160),
        Shape(SystemReadCommand(0x01, {}, 22), DataDirection::In, 22),
        Shape(SystemReadCommand(0x38, TagRead(), 19), DataDirection::In, 19),
        Shape(SystemWriteCommand(Token(), 288), DataDirection::Out, 288),
        Shape(PreCommandFor(MemoryPageCommand(0x1000)), DataDirection::None, 0),
        Shape(PreCommandFor(MemoryPageDirectCommand(0x81000)), DataDirection::None, 0),
        Shape(PreCommandFor(SystemWriteCommand(Token(), 288)), DataDirection::None, 0),
    };
    for (const CommandShape& shape : accepted) {
        EXPECT_EQ(CommandRefusal(shape), "") << std::hex << int(shape.cdb[0]) << " " << int(shape.cdb[2]);
    }
}

TEST(CommandPolicy, RefusesEverythingElseSayingWhy) {
    using namespace transport;
    CommandBlock write10;
    write10.length = 10;
    write10.bytes[0] = 0x2A;
    write10.bytes[8] = 1;
    CommandBlock inquiry10 = InquiryCommand();
    inquiry10.length = 10;
    CommandBlock long_system_read = SystemReadCommand(0x30, {}, 2304);
    struct Case {
        const char* name;
        CommandShape shape;
        const char* reason;
    };
    const Case cases[] = {
        {"WRITE(10)", Shape(write10, DataDirection::Out, 512), "operation code 0x2A"},
        {"INQUIRY of 255", Shape(Changed(InquiryCommand(), 4, 0xFF), DataDirection::In, 255), "not the INQUIRY"},
        {"INQUIRY with EVPD", Shape(Changed(InquiryCommand(), 1, 0x01), DataDirection::In, 36), "not the INQUIRY"},
        {"INQUIRY block of 10", Shape(inquiry10, DataDirection::In, 36), "not the INQUIRY"},
        {"id block read out", Shape(IdBlockCommand(), DataDirection::Out, 8), "moves 8 bytes from the drive"},
        {"id block read of 9", Shape(IdBlockCommand(), DataDirection::In, 9), "not 9"},
        {"READ BUFFER mode 2", Shape(Changed(IdBlockCommand(), 1, 0x02), DataDirection::In, 8), "not the id-block"},
        {"READ BUFFER 0x53", Shape(Changed(IdBlockCommand(), 2, 0x53), DataDirection::In, 8), "buffer 0x53"},
        {"page of 2048", Shape(Changed(MemoryPageCommand(0), 8, 0x08), DataDirection::In, 2048), "memory-page"},
        {"template byte 6", Shape(Changed(SystemReadCommand(0x30, {}, 160), 6, 1), DataDirection::In, 160),
         "system command read"},
        // The tag read's template is taken only with the tag read's code,
        // length and zero token.
        {"tag template on 0x30", Shape(SystemReadCommand(0x30, TagRead(), 19), DataDirection::In, 19),
         "not the RFID tag read"},
        {"tag read of 20", Shape(SystemReadCommand(0x38, TagRead(), 20), DataDirection::In, 20),
         "not the RFID tag read"},
        {"tag read with a token",
         Shape(Changed(SystemReadCommand(0x38, TagRead(), 19), 8, 0x11), DataDirection::In, 19),
         "not the RFID tag read"},
        {"tag read byte 12", Shape(Changed(SystemReadCommand(0x38, TagRead(), 19), 12, 1), DataDirection::In, 19),
         "not the RFID tag read"},
        {"tag read of 19 out", Shape(SystemReadCommand(0x38, TagRead(), 19), DataDirection::Out, 19),
         "moves 19 bytes from the drive"},
        {"template byte 7 alone", Shape(Changed(SystemReadCommand(0x38, {}, 19), 7, 0x88), DataDirection::In, 19),
         "system command read"},
        {"system read above 2048", Shape(long_system_read, DataDirection::In, 2304), "above 2048"},
        // A system read's code and length are pinned to its row; so is its
        // template (a token only where the row carries one).
        {"identity read of 32", Shape(SystemReadCommand(0x01, {}, 32), DataDirection::In, 32), "not the identity read"},
        {"identity read with a token", Shape(SystemReadCommand(0x01, Token(), 22), DataDirection::In, 22),
         "not the identity read"},
        {"system read 0x33", Shape(SystemReadCommand(0x33, {}, 32), DataDirection::In, 32),
         "system command read 0x33 is not in the QX7 command set"},
        {"settings read of 512", Shape(SystemReadCommand(0x30, Token(), 512), DataDirection::In, 512),
         "not the settings read"},
        {"system read length mismatch", Shape(SystemReadCommand(0x30, {}, 160), DataDirection::In, 128), "not 128"},
        {"system write code 0x32", Shape(Changed(SystemWriteCommand({}, 288), 3, 0x32), DataDirection::Out, 288),
         "system command write"},
        {"WRITE BUFFER to a page", Shape(Changed(MemoryPageCommand(0), 0, 0x3B), DataDirection::Out, 1024),
         "WRITE BUFFER of buffer 0x22"},
        {"pre-command for 0x51", Shape(Changed(PreCommandFor(MemoryPageCommand(0)), 3, 0x51), DataDirection::None, 0),
         "announcing buffer 0x51"},
        {"pre-command without FML", Shape(Changed(PreCommandFor(MemoryPageCommand(0)), 7, 'X'), DataDirection::None, 0),
         "pre-command"},
        {"pre-command with data", Shape(PreCommandFor(MemoryPageCommand(0)), DataDirection::Out, 10), "no data phase"},
    };
    for (const Case& c : cases) {
        const std::string refusal = CommandRefusal(c.shape);
        EXPECT_NE(refusal.find(c.reason), std::string::npos) << c.name << ": " << refusal;
    }
}

// Each row's block, as the program sends it: with a token where the row
// carries one, at a page address where it reads a page, and a pre-command
// announcing the settings write.
CommandShape ShapeOfRow(const transport::DriveCommand& row) {
    using namespace transport;
    const CommandBlock block = row.form == CommandForm::PreCommand
                                   ? PreCommandFor(CommandBlockOf(kSettingsWrite, Token()))
                                   : CommandBlockOf(row, Token(), 0x1C00);
    return Shape(block, row.direction, row.length);
}

TEST(CommandPolicy, AcceptsEveryRowOfTheCommandTable) {
    for (const transport::DriveCommand& row : transport::kDriveCommands) {
        EXPECT_EQ(CommandRefusal(ShapeOfRow(row)), "") << row.name;
    }
}

// Every transfer length up to the largest a command may carry, other than
// the row's own, is refused: in the block's length field and transfer
// together for a system command, in the transfer alone for the others.
TEST(CommandPolicy, RefusesEveryLengthThatIsNotTheRows) {
    for (const transport::DriveCommand& row : transport::kDriveCommands) {
        int accepted = 0;
        for (std::uint32_t length = 0; length <= transport::kMaxTransferLength; ++length) {
            CommandShape shape = ShapeOfRow(row);
            shape.transfer_length = length;
            if (row.IsSystemCommand()) {
                shape.cdb[4] = static_cast<std::uint8_t>(length);
                shape.cdb[5] = static_cast<std::uint8_t>(length >> 8);
            }
            const bool refused = !CommandRefusal(shape).empty();
            EXPECT_EQ(refused, length != row.length) << row.name << " of " << length;
            if (!refused) ++accepted;
        }
        EXPECT_EQ(accepted, 1) << row.name;
    }
}

}  // namespace
}  // namespace qx7::helper
