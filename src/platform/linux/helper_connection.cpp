#include "platform/linux/helper_connection.h"

#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace qx7::platform {
namespace {

using transport::DataDirection;

// Spawns `command` with `child_end` as its standard input and output.
bool Spawn(const std::vector<std::string>& command, int child_end, pid_t* pid, std::string* why) {
    if (command.empty() || command[0].empty() || command[0][0] != '/') {
        *why = "the helper command is not an absolute path";
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child_end, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, child_end, STDOUT_FILENO);
    const int rc = posix_spawn(pid, command[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        *why = "cannot run " + command[0] + ": " + std::strerror(rc);
        return false;
    }
    return true;
}

// The wait status of `pid`, waiting for it to end.
int Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

bool ReplyFits(const Reply& reply, DataDirection direction, std::size_t length) {
    if (reply.result.transferred > length) return false;
    if (direction == DataDirection::In) return reply.data_in.size() == reply.result.transferred;
    return reply.data_in.empty();
}

}  // namespace

HelperConnection::HelperConnection(int socket, pid_t pid) : socket_(socket), pid_(pid) {}

HelperConnection::~HelperConnection() {
    ::close(socket_);
    if (pid_ > 0) Reap(pid_);
}

std::shared_ptr<HelperConnection> HelperConnection::Start(const std::vector<std::string>& command,
                                                          HelperStartFailure* failure) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        failure->detail = std::string("socketpair: ") + std::strerror(errno);
        return nullptr;
    }
    pid_t pid = 0;
    const bool spawned = Spawn(command, ends[1], &pid, &failure->detail);
    ::close(ends[1]);
    if (!spawned) {
        ::close(ends[0]);
        return nullptr;
    }
    std::shared_ptr<HelperConnection> connection(new HelperConnection(ends[0], pid));

    std::string why;
    const auto hello = connection->Exchange(HelloRequest{}, &why);
    if (hello && hello->status == ReplyStatus::Ok && hello->value == kHelperProtocolVersion) {
        return connection;
    }
    if (hello) {
        failure->detail = hello->status == ReplyStatus::Ok
                              ? "the helper speaks protocol version " + std::to_string(hello->value) +
                                    ", this program version " + std::to_string(kHelperProtocolVersion)
                              : "the helper refused the hello: " + hello->message;
        return nullptr;
    }
    // The helper (or pkexec before it) ended: its exit code tells why.
    ::shutdown(connection->socket_, SHUT_RDWR);
    const int status = Reap(pid);
    connection->pid_ = -1;
    if (status >= 0 && WIFEXITED(status)) failure->exit_code = WEXITSTATUS(status);
    failure->detail = why;
    return nullptr;
}

bool HelperConnection::usable() const {
    std::lock_guard lock(mutex_);
    return !broken_;
}

std::optional<Reply> HelperConnection::Exchange(const Request& request, std::string* why) {
    std::lock_guard lock(mutex_);
    if (broken_) {
        *why = "the privileged helper is no longer running";
        return std::nullopt;
    }
    std::vector<std::uint8_t> payload;
    if (!WriteFrame(socket_, EncodeRequest(request)) || ReadFrame(socket_, payload) != FrameStatus::Ok) {
        broken_ = true;
        *why = "the privileged helper stopped answering";
        return std::nullopt;
    }
    auto reply = DecodeReply(payload, why);
    if (!reply || reply->request_type != TypeOf(request)) {
        broken_ = true;
        if (reply) *why = "the privileged helper answered another request";
        return std::nullopt;
    }
    return reply;
}

std::unique_ptr<transport::ScsiDevice> HelperConnection::Open(const std::string& path, std::string* why) {
    if (path.size() > kMaxNodePathLength) {
        *why = path + ": path too long for the helper";
        return nullptr;
    }
    const auto reply = Exchange(OpenRequest{path}, why);
    if (!reply) return nullptr;
    if (reply->status != ReplyStatus::Ok) {
        *why = reply->message;
        return nullptr;
    }
    return std::make_unique<HelperScsiDevice>(shared_from_this(), reply->value);
}

HelperScsiDevice::HelperScsiDevice(std::shared_ptr<HelperConnection> connection, std::uint32_t handle)
    : connection_(std::move(connection)), handle_(handle) {}

HelperScsiDevice::~HelperScsiDevice() {
    if (!connection_->usable()) return;
    std::string ignored;
    connection_->Exchange(CloseRequest{handle_}, &ignored);
}

transport::ScsiResult HelperScsiDevice::Execute(const transport::ScsiRequest& request) {
    transport::ScsiResult failed;
    const bool has_data = request.direction != DataDirection::None;
    const std::size_t length = has_data ? request.data.size() : 0;
    if (length > transport::kMaxTransferLength || request.cdb_length == 0 || request.cdb_length > request.cdb.size()) {
        why_ = "command not sent: transfer or command block length out of range";
        return failed;
    }
    ExecuteRequest out;
    out.handle = handle_;
    out.direction = request.direction;
    out.cdb_length = request.cdb_length;
    std::copy_n(request.cdb.begin(), request.cdb_length, out.cdb.begin());
    out.transfer_length = static_cast<std::uint32_t>(length);
    if (request.direction == DataDirection::Out) out.data_out.assign(request.data.begin(), request.data.end());

    const auto reply = connection_->Exchange(out, &why_);
    if (!reply) return failed;
    if (reply->status != ReplyStatus::Ok) {
        why_ = reply->message;
        return failed;
    }
    if (!ReplyFits(*reply, request.direction, length)) {
        why_ = "the helper's reply does not fit the command";
        return failed;
    }
    std::copy(reply->data_in.begin(), reply->data_in.end(), request.data.begin());
    why_.clear();
    return reply->result;
}

}  // namespace qx7::platform
