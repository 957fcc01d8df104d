#pragma once
// The helper's request loop: reads requests from the program, answers each,
// and ends when the program closes its side.

#include <cstdint>
#include <map>
#include <memory>
#include <ostream>

#include "helper/node_opener.h"
#include "platform/linux/helper_protocol.h"

namespace qx7::helper {

// Nodes one program may hold open at once; further opens are refused.
inline constexpr std::size_t kMaxOpenNodes = 16;

// Exit codes of the helper.
inline constexpr int kExitInputClosed = 0;
inline constexpr int kExitStartFailed = 1;
inline constexpr int kExitProtocolBroken = 2;

class HelperServer {
public:
    explicit HelperServer(NodeOpener& opener);

    // The reply to one well-formed request.
    platform::Reply Handle(const platform::Request& request);

private:
    platform::Reply Hello(const platform::HelloRequest& hello);
    platform::Reply Open(const platform::OpenRequest& open);
    platform::Reply Execute(const platform::ExecuteRequest& execute);
    platform::Reply Close(const platform::CloseRequest& close);

    NodeOpener& opener_;
    bool greeted_ = false;
    std::uint32_t next_handle_ = 1;
    std::map<std::uint32_t, std::unique_ptr<transport::ScsiDevice>> nodes_;
};

// Serves requests from `in_fd`, replying on `out_fd`, until the input
// closes (kExitInputClosed) or the framing is lost or the program cannot be
// answered (kExitProtocolBroken). A request that cannot be read but whose
// frame was whole gets a Malformed reply and the loop goes on. Problems are
// logged to `log`.
int Serve(int in_fd, int out_fd, NodeOpener& opener, std::ostream& log);

}  // namespace qx7::helper
