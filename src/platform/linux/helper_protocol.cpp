#include "platform/linux/helper_protocol.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace qx7::platform {
namespace {

using transport::DataDirection;

constexpr std::size_t kLengthPrefix = 4;
constexpr std::size_t kFixedFieldsRoom = 64;

class Writer {
public:
    // Room for every fixed field from the start: growing from an empty
    // buffer one byte at a time makes GCC 12 at -O3 report a false
    // -Wstringop-overflow in the inlined vector growth.
    Writer() { out_.reserve(kFixedFieldsRoom); }

    void U8(std::uint8_t value) { out_.push_back(value); }
    void U16(std::uint16_t value) {
        for (int i = 0; i < 2; ++i) out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void U32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void Bytes(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
    // A text of at most `limit` bytes, cut when longer, with its 16-bit length.
    void Text(const std::string& text, std::size_t limit) {
        const std::size_t length = std::min(text.size(), limit);
        U16(static_cast<std::uint16_t>(length));
        out_.insert(out_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    }
    std::vector<std::uint8_t> Take() { return std::move(out_); }

private:
    std::vector<std::uint8_t> out_;
};

// Reads fields front to back; every read fails once the bytes run out.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> in) : in_(in) {}

    bool U8(std::uint8_t& value) {
        if (!Has(1)) return false;
        value = in_[at_++];
        return true;
    }
    bool U16(std::uint16_t& value) {
        if (!Has(2)) return false;
        value = static_cast<std::uint16_t>(in_[at_] | in_[at_ + 1] << 8);
        at_ += 2;
        return true;
    }
    bool U32(std::uint32_t& value) {
        if (!Has(4)) return false;
        value = 0;
        for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(in_[at_ + i]) << (8 * i);
        at_ += 4;
        return true;
    }
    bool Bytes(std::size_t count, std::span<std::uint8_t> out) {
        if (!Has(count) || out.size() < count) return false;
        std::copy_n(in_.begin() + static_cast<std::ptrdiff_t>(at_), count, out.begin());
        at_ += count;
        return true;
    }
    bool Text(std::size_t limit, std::string& text) {
        std::uint16_t length = 0;
        if (!U16(length) || length > limit || !Has(length)) return false;
        text.assign(in_.begin() + static_cast<std::ptrdiff_t>(at_),
                    in_.begin() + static_cast<std::ptrdiff_t>(at_ + length));
        at_ += length;
        return true;
    }
    bool AtEnd() const { return at_ == in_.size(); }

private:
    bool Has(std::size_t count) const { return count <= in_.size() - at_; }

    std::span<const std::uint8_t> in_;
    std::size_t at_ = 0;
};

std::uint8_t DirectionCode(DataDirection direction) {
    switch (direction) {
        case DataDirection::In: return 1;
        case DataDirection::Out: return 2;
        case DataDirection::None: break;
    }
    return 0;
}

std::optional<DataDirection> DirectionFromCode(std::uint8_t code) {
    switch (code) {
        case 0: return DataDirection::None;
        case 1: return DataDirection::In;
        case 2: return DataDirection::Out;
        default: return std::nullopt;
    }
}

bool IsCdbLength(std::uint8_t length) { return length == 6 || length == 10 || length == 16; }

template <typename T>
std::optional<T> Fail(std::string* why, const char* text) {
    if (why) *why = text;
    return std::nullopt;
}

std::optional<Request> DecodeExecute(Reader& in, std::string* why) {
    ExecuteRequest request;
    std::uint8_t direction = 0;
    if (!in.U32(request.handle) || !in.U8(direction) || !in.U8(request.cdb_length) ||
        !in.Bytes(request.cdb.size(), request.cdb) || !in.U32(request.transfer_length)) {
        return Fail<Request>(why, "execute request too short");
    }
    const auto dir = DirectionFromCode(direction);
    if (!dir) return Fail<Request>(why, "unknown data direction");
    request.direction = *dir;
    if (!IsCdbLength(request.cdb_length)) return Fail<Request>(why, "command block length not 6, 10 or 16");
    if (std::any_of(request.cdb.begin() + request.cdb_length, request.cdb.end(),
                    [](std::uint8_t b) { return b != 0; })) {
        return Fail<Request>(why, "bytes past the command block length are not zero");
    }
    if (request.transfer_length > transport::kMaxTransferLength) {
        return Fail<Request>(why, "transfer length above 2048");
    }
    if (request.direction == DataDirection::None && request.transfer_length != 0) {
        return Fail<Request>(why, "transfer length without a data direction");
    }
    if (request.direction == DataDirection::Out) {
        request.data_out.resize(request.transfer_length);
        if (!in.Bytes(request.transfer_length, request.data_out)) {
            return Fail<Request>(why, "data-out shorter than the transfer length");
        }
    }
    if (!in.AtEnd()) return Fail<Request>(why, "bytes after the request");
    return request;
}

bool DecodeExecuteResult(Reader& in, Reply& reply) {
    std::uint8_t io_ok = 0;
    std::uint16_t data_length = 0;
    if (!in.U8(io_ok) || io_ok > 1 || !in.U8(reply.result.scsi_status) || !in.U32(reply.result.transferred) ||
        !in.U16(data_length)) {
        return false;
    }
    reply.result.io_ok = io_ok == 1;
    if (data_length > transport::kMaxTransferLength || data_length > reply.result.transferred) {
        return false;
    }
    reply.data_in.resize(data_length);
    return in.Bytes(data_length, reply.data_in);
}

}  // namespace

std::uint8_t TypeOf(const Request& request) {
    struct Visitor {
        RequestType operator()(const HelloRequest&) const { return RequestType::Hello; }
        RequestType operator()(const OpenRequest&) const { return RequestType::Open; }
        RequestType operator()(const ExecuteRequest&) const { return RequestType::Execute; }
        RequestType operator()(const CloseRequest&) const { return RequestType::Close; }
    };
    return static_cast<std::uint8_t>(std::visit(Visitor{}, request));
}

std::vector<std::uint8_t> EncodeRequest(const Request& request) {
    Writer out;
    out.U8(TypeOf(request));
    if (const auto* hello = std::get_if<HelloRequest>(&request)) {
        out.U32(hello->magic);
        out.U16(hello->version);
    } else if (const auto* open = std::get_if<OpenRequest>(&request)) {
        out.Text(open->path, kMaxNodePathLength);
    } else if (const auto* execute = std::get_if<ExecuteRequest>(&request)) {
        out.U32(execute->handle);
        out.U8(DirectionCode(execute->direction));
        out.U8(execute->cdb_length);
        out.Bytes(execute->cdb);
        out.U32(execute->transfer_length);
        out.Bytes(execute->data_out);
    } else if (const auto* close = std::get_if<CloseRequest>(&request)) {
        out.U32(close->handle);
    }
    return out.Take();
}

std::vector<std::uint8_t> EncodeReply(const Reply& reply) {
    Writer out;
    out.U8(reply.request_type);
    out.U8(static_cast<std::uint8_t>(reply.status));
    if (reply.status != ReplyStatus::Ok) {
        out.Text(reply.message, kMaxMessageLength);
        return out.Take();
    }
    switch (static_cast<RequestType>(reply.request_type)) {
        case RequestType::Hello:
        case RequestType::Open: out.U32(reply.value); break;
        case RequestType::Execute: {
            const std::size_t data_length = std::min({reply.data_in.size(), transport::kMaxTransferLength,
                                                      static_cast<std::size_t>(reply.result.transferred)});
            out.U8(reply.result.io_ok ? 1 : 0);
            out.U8(reply.result.scsi_status);
            out.U32(reply.result.transferred);
            out.U16(static_cast<std::uint16_t>(data_length));
            out.Bytes(std::span(reply.data_in).first(data_length));
            break;
        }
        case RequestType::Close: break;
    }
    return out.Take();
}

std::optional<Request> DecodeRequest(std::span<const std::uint8_t> payload, std::string* why) {
    Reader in(payload);
    std::uint8_t type = 0;
    if (!in.U8(type)) return Fail<Request>(why, "empty request");
    switch (static_cast<RequestType>(type)) {
        case RequestType::Hello: {
            HelloRequest hello;
            if (!in.U32(hello.magic) || !in.U16(hello.version) || !in.AtEnd()) {
                return Fail<Request>(why, "malformed hello");
            }
            return hello;
        }
        case RequestType::Open: {
            OpenRequest open;
            if (!in.Text(kMaxNodePathLength, open.path) || !in.AtEnd()) {
                return Fail<Request>(why, "malformed open request");
            }
            if (open.path.empty() || open.path.find('\0') != std::string::npos) {
                return Fail<Request>(why, "node path empty or holding a NUL byte");
            }
            return open;
        }
        case RequestType::Execute: return DecodeExecute(in, why);
        case RequestType::Close: {
            CloseRequest close;
            if (!in.U32(close.handle) || !in.AtEnd()) return Fail<Request>(why, "malformed close request");
            return close;
        }
    }
    return Fail<Request>(why, "unknown request type");
}

std::optional<Reply> DecodeReply(std::span<const std::uint8_t> payload, std::string* why) {
    Reader in(payload);
    Reply reply;
    std::uint8_t status = 0;
    if (!in.U8(reply.request_type) || !in.U8(status) || status > 2) {
        return Fail<Reply>(why, "malformed reply header");
    }
    reply.status = static_cast<ReplyStatus>(status);
    bool ok = true;
    if (reply.status != ReplyStatus::Ok) {
        ok = in.Text(kMaxMessageLength, reply.message);
    } else {
        switch (static_cast<RequestType>(reply.request_type)) {
            case RequestType::Hello:
            case RequestType::Open: ok = in.U32(reply.value); break;
            case RequestType::Execute: ok = DecodeExecuteResult(in, reply); break;
            case RequestType::Close: break;
            default: ok = false; break;
        }
    }
    if (!ok || !in.AtEnd()) return Fail<Reply>(why, "malformed reply");
    return reply;
}

namespace {

// Reads exactly out.size() bytes; the count read before the input ended or
// failed otherwise.
std::size_t ReadFully(int fd, std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return done;
}

bool WriteFully(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    bool use_send = true;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        ssize_t n =
            use_send ? ::send(fd, bytes.data() + done, left, MSG_NOSIGNAL) : ::write(fd, bytes.data() + done, left);
        if (n < 0 && use_send && errno == ENOTSOCK) {
            use_send = false;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

FrameStatus ReadFrame(int fd, std::vector<std::uint8_t>& payload) {
    std::array<std::uint8_t, kLengthPrefix> prefix{};
    const std::size_t got = ReadFully(fd, prefix);
    if (got == 0) return FrameStatus::End;
    if (got < prefix.size()) return FrameStatus::Broken;
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < prefix.size(); ++i) length |= static_cast<std::uint32_t>(prefix[i]) << (8 * i);
    if (length == 0 || length > kMaxPayload) return FrameStatus::TooLong;
    payload.resize(length);
    return ReadFully(fd, payload) == length ? FrameStatus::Ok : FrameStatus::Broken;
}

bool WriteFrame(int fd, std::span<const std::uint8_t> payload) {
    if (payload.empty() || payload.size() > kMaxPayload) return false;
    std::vector<std::uint8_t> frame(kLengthPrefix);
    const auto length = static_cast<std::uint32_t>(payload.size());
    for (std::size_t i = 0; i < kLengthPrefix; ++i) frame[i] = static_cast<std::uint8_t>(length >> (8 * i));
    frame.insert(frame.end(), payload.begin(), payload.end());
    return WriteFully(fd, frame);
}

}  // namespace qx7::platform
