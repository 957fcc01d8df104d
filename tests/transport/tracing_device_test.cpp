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
    TracingDevice device(inner, trace);

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

}  // namespace
}  // namespace qx7::transport
