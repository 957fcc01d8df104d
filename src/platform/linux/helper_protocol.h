#pragma once
// The messages between a program and the privileged SCSI helper, carried
// over the helper's standard input and output. docs/privileged-helper.md
// describes the bytes.
//
// Every message is a frame: a 32-bit little-endian payload length, then the
// payload. Requests and replies alternate strictly: the program sends one
// request and reads its reply before it sends the next. Decoding checks
// every length against the bytes present and the protocol's limits, since
// either side may be talking to something broken or hostile.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "transport/scsi_device.h"

namespace qx7::platform {

inline constexpr std::uint32_t kHelperMagic = 0x48375851;  // "QX7H" in wire order
inline constexpr std::uint16_t kHelperProtocolVersion = 1;
// The largest payload either side sends: an Execute request or reply with
// the largest transfer and its fixed fields.
inline constexpr std::size_t kMaxPayload = 64 + transport::kMaxTransferLength;
inline constexpr std::size_t kMaxNodePathLength = 255;
inline constexpr std::size_t kMaxMessageLength = 512;

enum class RequestType : std::uint8_t { Hello = 1, Open = 2, Execute = 3, Close = 4 };

struct HelloRequest {
    std::uint32_t magic = kHelperMagic;
    std::uint16_t version = kHelperProtocolVersion;
};
struct OpenRequest {
    std::string path;
};
struct ExecuteRequest {
    std::uint32_t handle = 0;
    transport::DataDirection direction = transport::DataDirection::None;
    std::uint8_t cdb_length = 0;
    std::array<std::uint8_t, 16> cdb{};
    std::uint32_t transfer_length = 0;
    std::vector<std::uint8_t> data_out;  // transfer_length bytes for Out, else empty
};
struct CloseRequest {
    std::uint32_t handle = 0;
};
using Request = std::variant<HelloRequest, OpenRequest, ExecuteRequest, CloseRequest>;

enum class ReplyStatus : std::uint8_t {
    Ok = 0,
    Refused = 1,    // well formed, but not something the helper does
    Malformed = 2,  // the request could not be read
};

struct Reply {
    std::uint8_t request_type = 0;  // the type answered; 0 when it could not be read
    ReplyStatus status = ReplyStatus::Ok;
    std::string message;      // why, when not Ok
    std::uint32_t value = 0;  // Ok Hello: the protocol version; Ok Open: the handle
    // Ok Execute: the command's outcome, and for data-in the bytes transferred.
    transport::ScsiResult result;
    std::vector<std::uint8_t> data_in;
};

std::uint8_t TypeOf(const Request& request);

std::vector<std::uint8_t> EncodeRequest(const Request& request);
std::vector<std::uint8_t> EncodeReply(const Reply& reply);

// Nothing, with *why set, when the payload is not exactly one well-formed
// message within the limits above.
std::optional<Request> DecodeRequest(std::span<const std::uint8_t> payload, std::string* why);
std::optional<Reply> DecodeReply(std::span<const std::uint8_t> payload, std::string* why);

enum class FrameStatus {
    Ok,
    End,      // the input closed before a frame began
    Broken,   // the input closed or failed inside a frame
    TooLong,  // the length prefix is 0 or above kMaxPayload: framing is lost
};

// Reads one frame from `fd` into `payload`. Blocks until it is whole.
FrameStatus ReadFrame(int fd, std::vector<std::uint8_t>& payload);

// Writes `payload` as one frame; false when the peer is gone. Never raises
// SIGPIPE on a socket.
bool WriteFrame(int fd, std::span<const std::uint8_t> payload);

}  // namespace qx7::platform
