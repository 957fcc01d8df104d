#include <gtest/gtest.h>

#include <sstream>

#include "support/scripted_device.h"
#include "transport/drive_commands.h"
#include "transport/tracing_device.h"

namespace qx7::transport {
namespace {

TEST(TracingDevice, WritesOneLinePerCommand) {
    test::ScriptedDevice inner([](const ScsiRequest& r) {
        if (r.direction == DataDirection::In) {
            std::fill(r.data.begin(), r.data.end(), 0xAB);
            return test::Good(3);  // short transfer: only 3 bytes are traced
        }
        if (r.cdb[2] == 0xCD) return test::CheckCondition();
        return test::Good(r.data.size());
    });
    std::ostringstream trace;
    TracingDevice device(inner, trace, TraceMode::Full);

    std::vector<std::uint8_t> out(4, 0);
    EXPECT_TRUE(SystemCommandRead(device, 0x02, {}, 4, out));
    const std::vector<std::uint8_t> payload{1, 2};
    EXPECT_FALSE(SystemCommandWrite(device, {}, 2, payload));
    test::ScriptedDevice broken([](const ScsiRequest&) { return test::IoError(); });
    TracingDevice broken_traced(broken, trace);
    std::array<std::uint8_t, 8> id{};
    EXPECT_FALSE(ReadDeviceIdBlock(broken_traced, id));

    EXPECT_EQ(trace.str(),
              "scsi cdb=3c01ce02040000000000000000000000 dir=in len=4 status=00 xfer=3 data=ababab\n"
              "scsi cdb=3b0110cdcef5464d4c00 dir=none len=0 status=00 xfer=0 data=\n"
              "scsi cdb=3b01cd31020000000000000000000000 dir=out len=2 status=02 xfer=0 data=0102\n"
              "scsi cdb=3c015200000000000000 dir=in len=8 status=io-error xfer=0 data=\n");
}

// The channel key's answer and the settings write's data are left out unless
// the full trace is asked for; the blocks themselves, the pre-command and
// every other answer are printed as they are.
TEST(TracingDevice, RedactsTheChannelKeyAndTheSettingsWrite) {
    test::ScriptedDevice inner([](const ScsiRequest& r) {
        if (r.direction == DataDirection::In) std::fill(r.data.begin(), r.data.end(), 0x5A);
        return test::Good(r.data.size());
    });
    const auto run = [&inner](std::ostream& trace, TraceMode mode) {
        TracingDevice device(inner, trace, mode);
        std::vector<std::uint8_t> key(32);
        EXPECT_TRUE(SystemCommandRead(device, 0x7E, {}, 32, key));
        std::vector<std::uint8_t> index(2);
        EXPECT_TRUE(SystemCommandRead(device, 0x7D, {}, 2, index));
        const std::vector<std::uint8_t> upload(3, 0xC3);
        EXPECT_TRUE(SystemCommandWrite(device, {}, 3, upload));
    };
    std::ostringstream redacted;
    run(redacted, TraceMode::Redacted);
    EXPECT_EQ(redacted.str(),
              "scsi cdb=3c01ce7e200000000000000000000000 dir=in len=32 status=00 xfer=32 data=<redacted:32>\n"
              "scsi cdb=3c01ce7d020000000000000000000000 dir=in len=2 status=00 xfer=2 data=5a5a\n"
              "scsi cdb=3b0110cdcef4464d4c00 dir=none len=0 status=00 xfer=0 data=\n"
              "scsi cdb=3b01cd31030000000000000000000000 dir=out len=3 status=00 xfer=3 data=<redacted:3>\n");

    std::ostringstream full;
    run(full, TraceMode::Full);
    std::string key_hex;
    for (int i = 0; i < 32; ++i) key_hex += "5a";
    EXPECT_NE(full.str().find("xfer=32 data=" + key_hex + "\n"), std::string::npos) << full.str();
    EXPECT_NE(full.str().find("dir=out len=3 status=00 xfer=3 data=c3c3c3\n"), std::string::npos) << full.str();
    EXPECT_EQ(full.str().find("redacted"), std::string::npos);
}

}  // namespace
}  // namespace qx7::transport
