#pragma once
// The program's side of the privileged SCSI helper: a running helper
// process reached over a socket that is its standard input and output, and
// a ScsiDevice for each node it has opened.

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/helper_protocol.h"
#include "transport/scsi_device.h"

namespace qx7::platform {

// Why a helper did not start: how its process ended, when it did end.
struct HelperStartFailure {
    std::optional<int> exit_code;  // set when the process exited (not killed)
    std::string detail;            // what went wrong, for a developer
};

class HelperConnection : public std::enable_shared_from_this<HelperConnection> {
public:
    // Starts `command` (command[0] an absolute path; the environment is
    // passed on) and exchanges the hello. Null with *failure set when it
    // could not start or did not answer as the helper does.
    static std::shared_ptr<HelperConnection> Start(const std::vector<std::string>& command,
                                                   HelperStartFailure* failure);

    // Closing the socket ends the helper; the process is then reaped.
    ~HelperConnection();
    HelperConnection(const HelperConnection&) = delete;
    HelperConnection& operator=(const HelperConnection&) = delete;

    // Asks the helper to open `path`. Null with *why set when it refused or
    // the connection failed.
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path, std::string* why);

    // One request and its reply. Nothing, with *why set, once the helper is
    // gone or answered out of protocol; the connection is then unusable.
    // Safe to call from several threads.
    std::optional<Reply> Exchange(const Request& request, std::string* why);

    // The connection can still carry requests.
    bool usable() const;

private:
    HelperConnection(int socket, pid_t pid);

    mutable std::mutex mutex_;
    int socket_;
    pid_t pid_;
    bool broken_ = false;
};

// A node opened by the helper: every command goes over the connection.
class HelperScsiDevice final : public transport::ScsiDevice {
public:
    HelperScsiDevice(std::shared_ptr<HelperConnection> connection, std::uint32_t handle);
    // Asks the helper to close the node.
    ~HelperScsiDevice() override;
    HelperScsiDevice(const HelperScsiDevice&) = delete;
    HelperScsiDevice& operator=(const HelperScsiDevice&) = delete;

    // A command the helper refuses, or one whose reply does not fit the
    // request, fails as an I/O error; `why()` then says why.
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override;
    const std::string& why() const { return why_; }

private:
    std::shared_ptr<HelperConnection> connection_;
    std::uint32_t handle_;
    std::string why_;
};

}  // namespace qx7::platform
