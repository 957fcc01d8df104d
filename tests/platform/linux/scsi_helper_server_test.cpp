// The helper's request loop in-process, over nodes that a test opener
// hands out.

#include <gtest/gtest.h>

#include "helper/helper_server.h"
#include "support/scripted_device.h"

namespace qx7::helper {
namespace {

using platform::ReplyStatus;
using test::ScriptedDevice;

// Forwards to a ScriptedDevice the test keeps.
class SharedDevice final : public transport::ScsiDevice {
public:
    explicit SharedDevice(std::shared_ptr<ScriptedDevice> inner) : inner_(std::move(inner)) {}
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override { return inner_->Execute(request); }

private:
    std::shared_ptr<ScriptedDevice> inner_;
};

class TestOpener final : public NodeOpener {
public:
    std::shared_ptr<ScriptedDevice> device = std::make_shared<ScriptedDevice>();
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path, std::string* refusal) override {
        if (path != "/dev/sg1") {
            *refusal = path + ": not a QX7";
            return nullptr;
        }
        return std::make_unique<SharedDevice>(device);
    }
};

platform::ExecuteRequest Inquiry(std::uint32_t handle) {
    platform::ExecuteRequest execute;
    execute.handle = handle;
    execute.direction = transport::DataDirection::In;
    execute.cdb_length = 6;
    execute.cdb = {0x12, 0, 0, 0, 0x24, 0};
    execute.transfer_length = 36;
    return execute;
}

class HelperServerTest : public ::testing::Test {
protected:
    std::uint32_t OpenNode() {
        const auto reply = server_.Handle(platform::OpenRequest{"/dev/sg1"});
        EXPECT_EQ(reply.status, ReplyStatus::Ok) << reply.message;
        return reply.value;
    }

    TestOpener opener_;
    HelperServer server_{opener_};
};

TEST_F(HelperServerTest, AnswersNothingBeforeTheHelloAndOnlyKnownHandlesAfter) {
    EXPECT_EQ(server_.Handle(platform::OpenRequest{"/dev/sg1"}).status, ReplyStatus::Refused);
    EXPECT_EQ(server_.Handle(platform::HelloRequest{0x12345678, 1}).status, ReplyStatus::Refused);
    const auto hello = server_.Handle(platform::HelloRequest{});
    ASSERT_EQ(hello.status, ReplyStatus::Ok);
    EXPECT_EQ(hello.value, platform::kHelperProtocolVersion);

    const auto refused = server_.Handle(platform::OpenRequest{"/dev/sg4"});
    EXPECT_EQ(refused.status, ReplyStatus::Refused);
    EXPECT_EQ(refused.message, "/dev/sg4: not a QX7");
    EXPECT_EQ(server_.Handle(Inquiry(77)).status, ReplyStatus::Refused);
    EXPECT_EQ(server_.Handle(platform::CloseRequest{77}).status, ReplyStatus::Refused);

    const std::uint32_t handle = OpenNode();
    EXPECT_EQ(server_.Handle(platform::CloseRequest{handle}).status, ReplyStatus::Ok);
    EXPECT_EQ(server_.Handle(Inquiry(handle)).status, ReplyStatus::Refused);
    EXPECT_TRUE(opener_.device->commands.empty());
}

TEST_F(HelperServerTest, ReturnsOnlyTheBytesTheDriveTransferred) {
    server_.Handle(platform::HelloRequest{});
    opener_.device->handler = [](const transport::ScsiRequest& request) {
        std::fill(request.data.begin(), request.data.end(), 0x5A);
        return test::Good(20);
    };
    const auto reply = server_.Handle(Inquiry(OpenNode()));
    ASSERT_EQ(reply.status, ReplyStatus::Ok) << reply.message;
    EXPECT_TRUE(reply.result.ok());
    EXPECT_EQ(reply.result.transferred, 20u);
    EXPECT_EQ(reply.data_in, std::vector<std::uint8_t>(20, 0x5A));
    ASSERT_EQ(opener_.device->commands.size(), 1u);
    EXPECT_EQ(opener_.device->commands[0].timeout_seconds, transport::kCommandTimeoutSeconds);
}

TEST_F(HelperServerTest, KeepsAtMostSixteenNodesOpen) {
    server_.Handle(platform::HelloRequest{});
    std::uint32_t first = 0;
    for (std::size_t i = 0; i < kMaxOpenNodes; ++i) {
        const std::uint32_t handle = OpenNode();
        if (i == 0) first = handle;
    }
    EXPECT_EQ(server_.Handle(platform::OpenRequest{"/dev/sg1"}).status, ReplyStatus::Refused);
    server_.Handle(platform::CloseRequest{first});
    OpenNode();
}

}  // namespace
}  // namespace qx7::helper
