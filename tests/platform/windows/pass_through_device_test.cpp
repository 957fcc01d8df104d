#include "platform/windows/pass_through_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "transport/command_blocks.h"
#include "transport/drive_commands.h"

namespace qx7::platform {
namespace {

// Offsets of the 64-bit pass-through request, written out here rather than
// taken from the code under test.
constexpr std::size_t kLength = 0;
constexpr std::size_t kScsiStatus = 2;
constexpr std::size_t kPathId = 3;
constexpr std::size_t kTargetId = 4;
constexpr std::size_t kLun = 5;
constexpr std::size_t kCdbLength = 6;
constexpr std::size_t kSenseInfoLength = 7;
constexpr std::size_t kDataIn = 8;
constexpr std::size_t kDataTransferLength = 12;
constexpr std::size_t kTimeOutValue = 16;
constexpr std::size_t kDataBufferOffset = 24;
constexpr std::size_t kSenseInfoOffset = 32;
constexpr std::size_t kCdb = 36;
constexpr std::size_t kSense = 56;
constexpr std::size_t kData = 88;
constexpr std::size_t kRequestSize = kData + 2048;

std::uint32_t U32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

// One request as the fake system received it.
struct SeenRequest {
    Win32Handle handle = kNoHandle;
    std::uint32_t code = 0;
    std::vector<std::uint8_t> bytes;
    bool same_buffer = false;
};

// A DeviceIoControl that keeps every request and answers with what the test sets.
class FakeControl final : public Win32DeviceApi {
public:
    std::vector<SeenRequest> seen;
    std::vector<Win32Handle> closed;
    bool fails = false;
    std::uint8_t status = 0;
    std::optional<std::uint32_t> transferred;  // default: the whole request
    std::uint8_t fill = 0xA5;

    std::optional<std::uint32_t> IoControl(Win32Handle handle, std::uint32_t code, std::span<const std::uint8_t> in,
                                           std::span<std::uint8_t> out) override {
        seen.push_back({handle, code, std::vector<std::uint8_t>(in.begin(), in.end()), in.data() == out.data()});
        if (fails) return std::nullopt;
        if (out.size() < kData) return std::nullopt;
        const std::uint32_t asked = U32(in, kDataTransferLength);
        const std::uint32_t moved = transferred.value_or(asked);
        if (in[kDataIn] == 1) std::memset(out.data() + kData, fill, std::min<std::size_t>(moved, out.size() - kData));
        std::memset(out.data() + kSense, 0x70, 32);
        out[kScsiStatus] = status;
        std::memcpy(out.data() + kDataTransferLength, &moved, 4);
        return static_cast<std::uint32_t>(out.size());
    }
    void Close(Win32Handle handle) override { closed.push_back(handle); }

    std::optional<std::vector<UsbDeviceEntry>> PresentUsbDevices() override { return std::nullopt; }
    std::optional<std::vector<InterfaceEntry>> PresentInterfaces(InterfaceClass) override { return std::nullopt; }
    std::optional<std::u16string> DeviceId(DevInst) override { return std::nullopt; }
    std::optional<DevInst> Parent(DevInst) override { return std::nullopt; }
    Win32Handle Open(std::u16string_view, OpenAccess, std::uint32_t*) override { return kNoHandle; }
    std::uint32_t LogicalDrives() override { return 0; }
    std::uint32_t DriveType(char16_t) override { return 0; }
    std::optional<std::u16string> DosDeviceTarget(char16_t) override { return std::nullopt; }
};

constexpr Win32Handle kHandle = 0x4242;

TEST(PassThroughDevice, FillsEveryHeaderFieldOfADataInRequest) {
    auto api = std::make_shared<FakeControl>();
    PassThroughDevice device(api, kHandle);
    std::array<std::uint8_t, transport::kIdBlockSize> id{};

    ASSERT_TRUE(transport::ReadDeviceIdBlock(device, id));

    ASSERT_EQ(api->seen.size(), 1u);
    const SeenRequest& r = api->seen[0];
    EXPECT_EQ(r.handle, kHandle);
    EXPECT_EQ(r.code, 0x4D004u);
    EXPECT_TRUE(r.same_buffer);
    ASSERT_EQ(r.bytes.size(), kRequestSize);
    const auto& b = r.bytes;
    EXPECT_EQ(b[kLength] | (b[kLength + 1] << 8), 56);
    EXPECT_EQ(b[kScsiStatus], 0);
    EXPECT_EQ(b[kPathId], 0);
    EXPECT_EQ(b[kTargetId], 1);
    EXPECT_EQ(b[kLun], 0);
    EXPECT_EQ(b[kCdbLength], 10);
    EXPECT_EQ(b[kSenseInfoLength], 32);
    EXPECT_EQ(b[kDataIn], 1);
    EXPECT_EQ(U32(b, kDataTransferLength), 8u);
    EXPECT_EQ(U32(b, kTimeOutValue), 30u);
    EXPECT_EQ(U32(b, kDataBufferOffset), kData);
    EXPECT_EQ(U32(b, kDataBufferOffset + 4), 0u);
    EXPECT_EQ(U32(b, kSenseInfoOffset), kSense);
    const std::vector<std::uint8_t> cdb(b.begin() + kCdb, b.begin() + kCdb + 16);
    EXPECT_EQ(cdb, (std::vector<std::uint8_t>{0x3C, 0x01, 0x52, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(id, (std::array<std::uint8_t, 8>{0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5}));
}

TEST(PassThroughDevice, SendsDataOutBytesAndAnnouncesThemFirst) {
    auto api = std::make_shared<FakeControl>();
    PassThroughDevice device(api, kHandle);
    std::vector<std::uint8_t> payload(288);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 7);

    ASSERT_TRUE(transport::SystemCommandWrite(device, {}, 288, payload));

    ASSERT_EQ(api->seen.size(), 2u);
    const auto& pre = api->seen[0].bytes;
    EXPECT_EQ(pre[kCdb], 0x3B);
    EXPECT_EQ(pre[kCdb + 2], 0x10);
    EXPECT_EQ(pre[kDataIn], 0);
    EXPECT_EQ(U32(pre, kDataTransferLength), 0u);
    const auto& write = api->seen[1].bytes;
    EXPECT_EQ(write[kCdbLength], 16);
    EXPECT_EQ(write[kDataIn], 0);
    EXPECT_EQ(U32(write, kDataTransferLength), 288u);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), write.begin() + kData));
    EXPECT_TRUE(std::all_of(write.begin() + kData + 288, write.end(), [](std::uint8_t x) { return x == 0; }));
}

TEST(PassThroughDevice, ReportsStatusFailuresAndCopiesOnlyWhatWasTransferred) {
    struct Case {
        const char* name;
        bool fails;
        std::uint8_t status;
        std::optional<std::uint32_t> transferred;
        bool ok;
        std::uint32_t result_transferred;
        std::size_t bytes_copied;  // of the 12-byte state block
    };
    const std::vector<Case> cases = {
        {"whole transfer", false, 0, std::nullopt, true, 12, 12},
        {"short transfer", false, 0, 5, true, 5, 5},
        {"count above the request", false, 0, 4096, true, 12, 12},
        {"check condition", false, 2, std::nullopt, false, 12, 0},
        {"control call fails", true, 0, std::nullopt, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto api = std::make_shared<FakeControl>();
        api->fails = c.fails;
        api->status = c.status;
        api->transferred = c.transferred;
        PassThroughDevice device(api, kHandle);
        std::array<std::uint8_t, 12> state{};
        transport::ScsiRequest request;
        request.cdb = {0x3C, 0x01, 0x51};
        request.cdb_length = 10;
        request.direction = transport::DataDirection::In;
        request.data = state;

        const transport::ScsiResult result = device.Execute(request);

        EXPECT_EQ(result.ok(), c.ok);
        EXPECT_EQ(result.io_ok, !c.fails);
        EXPECT_EQ(result.transferred, c.result_transferred);
        for (std::size_t i = 0; i < state.size(); ++i) EXPECT_EQ(state[i], i < c.bytes_copied ? 0xA5 : 0) << i;
    }
}

TEST(PassThroughDevice, RefusesRequestsThatDoNotFitWithoutCallingTheSystem) {
    auto api = std::make_shared<FakeControl>();
    std::vector<std::uint8_t> big(transport::kMaxTransferLength + 1);
    {
        PassThroughDevice device(api, kHandle);
        transport::ScsiRequest too_long;
        too_long.cdb_length = 16;
        too_long.direction = transport::DataDirection::Out;
        too_long.data = big;
        EXPECT_FALSE(device.Execute(too_long).io_ok);
        transport::ScsiRequest no_cdb;
        EXPECT_FALSE(device.Execute(no_cdb).io_ok);
        transport::ScsiRequest cdb_too_long;
        cdb_too_long.cdb_length = 17;
        EXPECT_FALSE(device.Execute(cdb_too_long).io_ok);
    }
    EXPECT_TRUE(api->seen.empty());
    EXPECT_EQ(api->closed, (std::vector<Win32Handle>{kHandle}));
}

}  // namespace
}  // namespace qx7::platform
