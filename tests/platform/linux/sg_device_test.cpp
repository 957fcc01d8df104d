#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/linux/sg_device.h"
#include "support/scripted_device.h"
#include "transport/command_blocks.h"
#include "transport/drive_commands.h"

namespace qx7::platform {
namespace {

using test::Hex;
using transport::DataDirection;

// What the fake kernel saw, and what it answers.
struct FakeKernel {
    int calls = 0;
    int seen_fd = -1;
    sg_io_hdr_t seen{};
    std::vector<std::uint8_t> seen_cdb;
    std::vector<std::uint8_t> seen_out;

    int rc = 0;
    unsigned char status = 0;
    unsigned short host_status = 0;
    unsigned short driver_status = 0;
    int resid = 0;
    std::uint8_t fill = 0xA5;

    SgIoctl Ioctl() {
        return [this](int fd, sg_io_hdr_t* h) {
            ++calls;
            seen_fd = fd;
            seen = *h;
            const auto* cdb = static_cast<const std::uint8_t*>(h->cmdp);
            seen_cdb.assign(cdb, cdb + h->cmd_len);
            auto* data = static_cast<std::uint8_t*>(h->dxferp);
            if (h->dxfer_direction == SG_DXFER_TO_DEV) seen_out.assign(data, data + h->dxfer_len);
            if (h->dxfer_direction == SG_DXFER_FROM_DEV && resid >= 0 && static_cast<unsigned>(resid) <= h->dxfer_len) {
                std::memset(data, fill, h->dxfer_len - static_cast<unsigned>(resid));
            }
            if (h->sbp && h->mx_sb_len > 0 && status == 2) {
                std::memset(h->sbp, 0x70, h->mx_sb_len);
                h->sb_len_wr = h->mx_sb_len;
            }
            h->status = status;
            h->masked_status = static_cast<unsigned char>(status >> 1);
            h->host_status = host_status;
            h->driver_status = driver_status;
            h->resid = resid;
            return rc;
        };
    }
};

TEST(SgDevice, BuildsTheHeaderTheKernelExpects) {
    FakeKernel kernel;
    SgDevice device(42, false, kernel.Ioctl());
    std::vector<std::uint8_t> out(160, 0);
    ASSERT_TRUE(transport::SystemCommandRead(device, 0x30, {}, 160, out));
    EXPECT_EQ(kernel.seen_fd, 42);
    EXPECT_EQ(kernel.seen.interface_id, 'S');
    EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(kernel.seen.cmd_len, 16);
    EXPECT_EQ(Hex(kernel.seen_cdb), "3c01ce30a00000000000000000000000");
    EXPECT_EQ(kernel.seen.dxfer_len, 160u);
    EXPECT_EQ(kernel.seen.mx_sb_len, 32);
    EXPECT_EQ(kernel.seen.timeout, 30000u);
    EXPECT_EQ(kernel.seen.iovec_count, 0);
    EXPECT_EQ(out[159], 0xA5);

    const std::vector<std::uint8_t> payload(288, 0x3C);
    ASSERT_TRUE(transport::SystemCommandWrite(device, {}, 288, payload));
    EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_TO_DEV);
    EXPECT_EQ(kernel.seen.dxfer_len, 288u);
    EXPECT_EQ(kernel.seen_out, payload);
    EXPECT_EQ(kernel.calls, 3);  // the read, the pre-command, the write

    transport::ScsiRequest none;
    const auto pre = transport::PreCommandFor(transport::MemoryPageCommand(0x1000));
    none.cdb = pre.bytes;
    none.cdb_length = pre.length;
    EXPECT_TRUE(device.Execute(none).ok());
    EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(kernel.seen.dxfer_len, 0u);
    EXPECT_EQ(kernel.seen.dxferp, nullptr);
    EXPECT_EQ(kernel.seen.cmd_len, 10);
}

TEST(SgDevice, SucceedsOnlyWhenEveryStatusIsZero) {
    struct Case {
        const char* name;
        int rc;
        unsigned char status;
        unsigned short host, driver;
        bool io_ok, ok;
    } cases[] = {
        {"all zero", 0, 0, 0, 0, true, true},
        {"ioctl fails", -1, 0, 0, 0, false, false},
        {"check condition with sense", 0, 2, 0, 0x08, true, false},
        {"check condition", 0, 2, 0, 0, true, false},
        {"host error", 0, 0, 0x07, 0, false, false},
        {"driver error", 0, 0, 0, 0x06, false, false},
        {"sense flag without check condition", 0, 0, 0, 0x08, false, false},
    };
    for (const auto& c : cases) {
        FakeKernel kernel;
        kernel.rc = c.rc;
        kernel.status = c.status;
        kernel.host_status = c.host;
        kernel.driver_status = c.driver;
        SgDevice device(3, false, kernel.Ioctl());
        std::array<std::uint8_t, 4> area{};
        transport::ScsiRequest request;
        request.cdb_length = 16;
        request.direction = DataDirection::In;
        request.data = area;
        const auto result = device.Execute(request);
        EXPECT_EQ(result.io_ok, c.io_ok) << c.name;
        EXPECT_EQ(result.ok(), c.ok) << c.name;
        if (c.rc == 0) {
            EXPECT_EQ(result.scsi_status, c.status) << c.name;
        }
    }
}

TEST(SgDevice, ShortTransferComesFromResid) {
    FakeKernel kernel;
    kernel.resid = 7;
    SgDevice device(3, false, kernel.Ioctl());
    std::array<std::uint8_t, 12> state;
    state.fill(0x11);
    ASSERT_TRUE(transport::ReadDeviceStateBlock(device, state));
    EXPECT_EQ(Hex({state.begin(), state.end()}),
              "a5a5a5a5a5"
              "00000000000000");

    for (int bad_resid : {-1, 13, 1 << 30}) {
        FakeKernel liar;
        liar.resid = bad_resid;
        SgDevice lying(3, false, liar.Ioctl());
        state.fill(0x11);
        EXPECT_FALSE(transport::ReadDeviceStateBlock(lying, state)) << bad_resid;
        EXPECT_EQ(state, (std::array<std::uint8_t, 12>{})) << bad_resid;
    }
}

TEST(SgDevice, OversizedTransferNeverReachesTheKernel) {
    FakeKernel kernel;
    SgDevice device(3, false, kernel.Ioctl());
    std::vector<std::uint8_t> big(2049);
    transport::ScsiRequest request;
    request.cdb_length = 16;
    request.direction = DataDirection::In;
    request.data = big;
    EXPECT_FALSE(device.Execute(request).io_ok);
    request.data = std::span(big).first(2048);
    EXPECT_TRUE(device.Execute(request).ok());
    EXPECT_EQ(kernel.calls, 1);
}

TEST(SgDevice, OpenReportsWhatFailed) {
    std::string error;
    EXPECT_EQ(SgDevice::Open("/nonexistent/sg99", &error), nullptr);
    EXPECT_NE(error.find("/nonexistent/sg99"), std::string::npos);
}

}  // namespace
}  // namespace qx7::platform
