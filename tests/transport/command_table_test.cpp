// The command table: every row is found again from its own block, so that
// no two rows claim the same bytes, and the trace redacts exactly the rows
// marked secret.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "support/scripted_device.h"
#include "transport/command_blocks.h"
#include "transport/command_table.h"
#include "transport/tracing_device.h"

namespace qx7::transport {
namespace {

CommandTemplate Token() {
    CommandTemplate tmpl{};
    tmpl[8] = 0x11;
    tmpl[9] = 0x22;
    tmpl[10] = 0x33;
    tmpl[11] = 0x44;
    return tmpl;
}

TEST(CommandTable, EveryRowIsFoundFromItsOwnBlockAndNoOtherBytes) {
    for (const DriveCommand& row : kDriveCommands) {
        const CommandBlock block = CommandBlockOf(row, Token(), 0x1000);
        EXPECT_EQ(FindDriveCommand(block.bytes), &row) << row.name;
        EXPECT_LE(row.length, kMaxTransferLength) << row.name;
        EXPECT_EQ(row.token_position >= 0, row.form == CommandForm::SystemToken) << row.name;
    }

    CommandBlock unknown_code = CommandBlockOf(kStatusRead);
    unknown_code.bytes[3] = 0x33;
    EXPECT_EQ(FindDriveCommand(unknown_code.bytes), nullptr);
    CommandBlock unknown_buffer = CommandBlockOf(kIdBlockRead);
    unknown_buffer.bytes[2] = 0x53;
    EXPECT_EQ(FindDriveCommand(unknown_buffer.bytes), nullptr);
}

// Each row sent through the trace: its data is left out exactly when the
// row is secret, and a code the table does not know on the system write's
// buffer is left out too.
TEST(CommandTable, TraceRedactsTheSecretRowsOnly) {
    test::ScriptedDevice inner([](const ScsiRequest& r) {
        if (r.direction == DataDirection::In) std::fill(r.data.begin(), r.data.end(), 0x5A);
        return test::Good(r.data.size());
    });
    for (const DriveCommand& row : kDriveCommands) {
        if (row.length == 0) continue;
        std::ostringstream trace;
        TracingDevice device(inner, trace);
        const CommandBlock block = CommandBlockOf(row, Token(), 0x1000);
        std::vector<std::uint8_t> data(row.length, 0xC3);
        ScsiRequest request;
        request.cdb = block.bytes;
        request.cdb_length = block.length;
        request.direction = row.direction;
        request.data = data;
        (void)device.Execute(request);
        EXPECT_EQ(trace.str().find("<redacted:" + std::to_string(row.length) + ">") != std::string::npos, row.secret)
            << row.name << ": " << trace.str();
    }

    std::ostringstream trace;
    TracingDevice device(inner, trace);
    CommandBlock unknown_write = CommandBlockOf(kSettingsWrite, Token());
    unknown_write.bytes[3] = 0x35;
    std::vector<std::uint8_t> data(16, 0xC3);
    ScsiRequest request;
    request.cdb = unknown_write.bytes;
    request.cdb_length = unknown_write.length;
    request.direction = DataDirection::Out;
    request.data = data;
    (void)device.Execute(request);
    EXPECT_NE(trace.str().find("<redacted:16>"), std::string::npos) << trace.str();
}

}  // namespace
}  // namespace qx7::transport
