#pragma once
// How the platform opens a storage interface for SCSI commands: straight
// through SG_IO when this process may send the whole command set itself,
// through the privileged helper otherwise.

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/linux/helper_connection.h"
#include "platform/linux/helper_launch.h"
#include "transport/scsi_device.h"

namespace qx7::platform {

class ScsiOpener {
public:
    virtual ~ScsiOpener() = default;
    // Null with *why set when `path` cannot be opened. Safe to call from
    // several threads.
    virtual std::unique_ptr<transport::ScsiDevice> Open(const std::string& path, std::string* why) = 0;
    // Why no interface can be opened at all, for the user; empty while
    // opening is possible.
    virtual std::string Unavailable() const { return {}; }
};

// SgDevice on the node itself.
class DirectOpener final : public ScsiOpener {
public:
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path, std::string* why) override;
};

// Called once, with the text for the user, when the helper cannot be started.
using UnavailableHandler = std::function<void(const std::string&)>;

// Nodes opened by the privileged helper. The helper is started on the
// first Open and serves every later one; when it cannot be started (or
// stops), no further attempt is made and every Open fails with the reason,
// so the user is asked to authenticate at most once per run.
class HelperOpener final : public ScsiOpener {
public:
    explicit HelperOpener(HelperLaunch launch, UnavailableHandler on_unavailable = {});

    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path, std::string* why) override;
    std::string Unavailable() const override;

private:
    bool Connect();  // with mutex_ held

    mutable std::mutex mutex_;
    HelperLaunch launch_;
    UnavailableHandler on_unavailable_;
    std::shared_ptr<HelperConnection> connection_;
    std::string unavailable_;
};

// DirectOpener when this process has CAP_SYS_RAWIO, otherwise a
// HelperOpener that starts the installed helper through pkexec.
std::unique_ptr<ScsiOpener> MakeScsiOpener(UnavailableHandler on_unavailable = {},
                                           HelperAdvice advice = HelperAdvice::CommandLine);

}  // namespace qx7::platform
