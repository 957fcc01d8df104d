// The helper's wire format: every malformed message is rejected, never
// read past its end.

#include "platform/linux/helper_protocol.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qx7::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An Execute request payload with the given fixed fields and tail.
Bytes ExecutePayload(std::uint8_t direction, std::uint8_t cdb_length, std::uint32_t transfer, Bytes tail = {},
                     std::uint8_t past_length_byte = 0) {
    Bytes p = {3, 1, 0, 0, 0, direction, cdb_length};
    Bytes cdb(16, 0);
    cdb[0] = 0x12;
    cdb[15] = past_length_byte;
    p.insert(p.end(), cdb.begin(), cdb.end());
    for (int i = 0; i < 4; ++i) p.push_back(static_cast<std::uint8_t>(transfer >> (8 * i)));
    p.insert(p.end(), tail.begin(), tail.end());
    return p;
}

TEST(HelperProtocol, RejectsMalformedRequests) {
    Bytes long_path = {2, 0x2C, 0x01};  // length 300
    long_path.resize(3 + 300, 'a');
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"unknown type", {9}},
        {"short hello", {1, 0x51, 0x58}},
        {"empty path", {2, 0, 0}},
        {"path past the end", {2, 5, 0, '/', 'd'}},
        {"path too long", long_path},
        {"NUL in path", {2, 3, 0, '/', 0, 'a'}},
        {"bytes after close", {4, 1, 0, 0, 0, 9}},
        {"short execute", {3, 1, 0, 0, 0, 1}},
        {"bad direction", ExecutePayload(3, 6, 0)},
        {"cdb length 12", ExecutePayload(1, 12, 36)},
        {"byte past cdb length", ExecutePayload(1, 6, 36, {}, 0xAA)},
        {"transfer above 2048", ExecutePayload(1, 6, 2049)},
        {"transfer without direction", ExecutePayload(0, 6, 4)},
        {"data-out short", ExecutePayload(2, 6, 4, {1, 2, 3})},
        {"data after data-in request", ExecutePayload(1, 6, 36, {1})},
    };
    for (const auto& [name, payload] : cases) {
        std::string why;
        EXPECT_FALSE(DecodeRequest(payload, &why)) << name;
        EXPECT_FALSE(why.empty()) << name;
    }
}

TEST(HelperProtocol, RejectsMalformedReplies) {
    const std::pair<const char*, Bytes> cases[] = {
        {"no status", {3}},
        {"unknown status", {3, 3}},
        {"message past the end", {2, 1, 10, 0, 'x'}},
        {"short open reply", {2, 0, 1, 0}},
        {"ok for no request", {0, 0}},
        {"more data than transferred", {3, 0, 1, 0, 4, 0, 0, 0, 5, 0, 1, 2, 3, 4, 5}},
        {"data past the end", {3, 0, 1, 0, 8, 0, 0, 0, 8, 0, 1, 2}},
        {"io flag not 0 or 1", {3, 0, 2, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& [name, payload] : cases) {
        std::string why;
        EXPECT_FALSE(DecodeReply(payload, &why)) << name;
    }
}

TEST(HelperProtocol, ExecuteRequestAndReplySurviveTheWire) {
    ExecuteRequest request;
    request.handle = 0x01020304;
    request.direction = transport::DataDirection::Out;
    request.cdb_length = 16;
    request.cdb = {0x3B, 0x01, 0xCD, 0x31, 0x04, 0x00, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD};
    request.transfer_length = 4;
    request.data_out = {9, 8, 7, 6};
    std::string why;
    const auto decoded = DecodeRequest(EncodeRequest(request), &why);
    ASSERT_TRUE(decoded) << why;
    const auto& back = std::get<ExecuteRequest>(*decoded);
    EXPECT_EQ(back.handle, request.handle);
    EXPECT_EQ(back.direction, request.direction);
    EXPECT_EQ(back.cdb, request.cdb);
    EXPECT_EQ(back.data_out, request.data_out);

    Reply reply;
    reply.request_type = static_cast<std::uint8_t>(RequestType::Execute);
    reply.result = {true, 0, 3};
    reply.data_in = {1, 2, 3};
    const auto reply_back = DecodeReply(EncodeReply(reply), &why);
    ASSERT_TRUE(reply_back) << why;
    EXPECT_TRUE(reply_back->result.ok());
    EXPECT_EQ(reply_back->result.transferred, 3u);
    EXPECT_EQ(reply_back->data_in, reply.data_in);
}

TEST(HelperProtocol, FramesWithABadLengthOrCutShortAreNotRead) {
    struct Case {
        Bytes bytes;
        FrameStatus status;
    };
    const Case cases[] = {
        {{}, FrameStatus::End},
        {{5, 0}, FrameStatus::Broken},
        {{0, 0, 0, 0}, FrameStatus::TooLong},
        {{0xFF, 0xFF, 0xFF, 0xFF}, FrameStatus::TooLong},
        {{4, 0, 0, 0, 1, 2}, FrameStatus::Broken},
        {{2, 0, 0, 0, 7, 8}, FrameStatus::Ok},
    };
    for (const Case& c : cases) {
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
        ASSERT_EQ(::write(ends[0], c.bytes.data(), c.bytes.size()), static_cast<ssize_t>(c.bytes.size()));
        ::close(ends[0]);
        Bytes payload;
        EXPECT_EQ(ReadFrame(ends[1], payload), c.status) << c.bytes.size();
        ::close(ends[1]);
    }
}

}  // namespace
}  // namespace qx7::platform
