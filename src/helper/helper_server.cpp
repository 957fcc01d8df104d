#include "helper/helper_server.h"

#include <algorithm>
#include <vector>

#include "helper/command_policy.h"

namespace qx7::helper {
namespace {

using platform::Reply;
using platform::ReplyStatus;
using platform::RequestType;

Reply Answer(RequestType type) {
    Reply reply;
    reply.request_type = static_cast<std::uint8_t>(type);
    return reply;
}

Reply Refuse(RequestType type, std::string message) {
    Reply reply = Answer(type);
    reply.status = ReplyStatus::Refused;
    reply.message = std::move(message);
    return reply;
}

}  // namespace

HelperServer::HelperServer(NodeOpener& opener) : opener_(opener) {}

Reply HelperServer::Handle(const platform::Request& request) {
    if (const auto* hello = std::get_if<platform::HelloRequest>(&request)) return Hello(*hello);
    if (!greeted_) return Refuse(static_cast<RequestType>(platform::TypeOf(request)), "hello first");
    if (const auto* open = std::get_if<platform::OpenRequest>(&request)) return Open(*open);
    if (const auto* execute = std::get_if<platform::ExecuteRequest>(&request)) return Execute(*execute);
    return Close(std::get<platform::CloseRequest>(request));
}

Reply HelperServer::Hello(const platform::HelloRequest& hello) {
    if (hello.magic != platform::kHelperMagic) return Refuse(RequestType::Hello, "not a QX7 helper client");
    greeted_ = true;
    // The version is answered whatever the client's: the client decides
    // whether it can go on.
    Reply reply = Answer(RequestType::Hello);
    reply.value = platform::kHelperProtocolVersion;
    return reply;
}

Reply HelperServer::Open(const platform::OpenRequest& open) {
    if (nodes_.size() >= kMaxOpenNodes) {
        return Refuse(RequestType::Open, open.path + ": too many nodes open; close one first");
    }
    std::string refusal;
    auto device = opener_.Open(open.path, &refusal);
    if (!device) return Refuse(RequestType::Open, refusal);
    const std::uint32_t handle = next_handle_++;
    nodes_.emplace(handle, std::move(device));
    Reply reply = Answer(RequestType::Open);
    reply.value = handle;
    return reply;
}

Reply HelperServer::Execute(const platform::ExecuteRequest& execute) {
    const auto node = nodes_.find(execute.handle);
    if (node == nodes_.end()) return Refuse(RequestType::Execute, "no node open with that handle");
    const std::string refusal =
        CommandRefusal({execute.cdb, execute.cdb_length, execute.direction, execute.transfer_length});
    if (!refusal.empty()) return Refuse(RequestType::Execute, "refused: " + refusal);

    std::vector<std::uint8_t> data = execute.direction == transport::DataDirection::Out
                                         ? execute.data_out
                                         : std::vector<std::uint8_t>(execute.transfer_length);
    transport::ScsiRequest request;
    request.cdb = execute.cdb;
    request.cdb_length = execute.cdb_length;
    request.direction = execute.direction;
    request.data = data;
    request.timeout_seconds = transport::kCommandTimeoutSeconds;
    Reply reply = Answer(RequestType::Execute);
    reply.result = node->second->Execute(request);
    reply.result.transferred = std::min<std::uint32_t>(reply.result.transferred, execute.transfer_length);
    if (execute.direction == transport::DataDirection::In) {
        data.resize(reply.result.transferred);
        reply.data_in = std::move(data);
    }
    return reply;
}

Reply HelperServer::Close(const platform::CloseRequest& close) {
    if (nodes_.erase(close.handle) == 0) return Refuse(RequestType::Close, "no node open with that handle");
    return Answer(RequestType::Close);
}

int Serve(int in_fd, int out_fd, NodeOpener& opener, std::ostream& log) {
    HelperServer server(opener);
    std::vector<std::uint8_t> payload;
    while (true) {
        const platform::FrameStatus status = platform::ReadFrame(in_fd, payload);
        if (status == platform::FrameStatus::End) return kExitInputClosed;
        if (status != platform::FrameStatus::Ok) {
            const char* why =
                status == platform::FrameStatus::TooLong ? "frame length out of range" : "input ended inside a frame";
            log << "qx7-scsi-helper: " << why << "; stopping\n";
            Reply reply;
            reply.status = ReplyStatus::Malformed;
            reply.message = why;
            platform::WriteFrame(out_fd, platform::EncodeReply(reply));
            return kExitProtocolBroken;
        }
        Reply reply;
        std::string why;
        if (const auto request = platform::DecodeRequest(payload, &why)) {
            reply = server.Handle(*request);
        } else {
            reply.request_type = payload.empty() ? 0 : payload[0];
            reply.status = ReplyStatus::Malformed;
            reply.message = why;
        }
        if (!platform::WriteFrame(out_fd, platform::EncodeReply(reply))) {
            log << "qx7-scsi-helper: cannot answer the program; stopping\n";
            return kExitProtocolBroken;
        }
    }
}

}  // namespace qx7::helper
