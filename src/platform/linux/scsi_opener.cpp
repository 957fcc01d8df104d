#include "platform/linux/scsi_opener.h"

#include "platform/linux/capabilities.h"
#include "platform/linux/sg_device.h"

namespace qx7::platform {

std::unique_ptr<transport::ScsiDevice> DirectOpener::Open(const std::string& path, std::string* why) {
    return SgDevice::Open(path, why);
}

HelperOpener::HelperOpener(HelperLaunch launch, UnavailableHandler on_unavailable)
    : launch_(std::move(launch)), on_unavailable_(std::move(on_unavailable)) {}

bool HelperOpener::Connect() {
    if (connection_ && connection_->usable()) return true;
    if (!unavailable_.empty()) return false;
    if (connection_) {
        unavailable_ = "The privileged helper stopped; restart the program to reconnect.";
    } else if (std::string problem = LaunchProblem(launch_); !problem.empty()) {
        unavailable_ = std::move(problem);
    } else {
        HelperStartFailure failure;
        connection_ = HelperConnection::Start(launch_.command, &failure);
        if (connection_) return true;
        unavailable_ = StartFailureMessage(launch_, failure);
    }
    if (on_unavailable_) on_unavailable_(unavailable_);
    return false;
}

std::unique_ptr<transport::ScsiDevice> HelperOpener::Open(const std::string& path, std::string* why) {
    std::shared_ptr<HelperConnection> connection;
    {
        std::lock_guard lock(mutex_);
        if (!Connect()) {
            *why = unavailable_;
            return nullptr;
        }
        connection = connection_;
    }
    return connection->Open(path, why);
}

std::string HelperOpener::Unavailable() const {
    std::lock_guard lock(mutex_);
    return unavailable_;
}

std::unique_ptr<ScsiOpener> MakeScsiOpener(UnavailableHandler on_unavailable, HelperAdvice advice) {
    if (HasRawIoCapability()) return std::make_unique<DirectOpener>();
    return std::make_unique<HelperOpener>(PkexecLaunch(advice), std::move(on_unavailable));
}

}  // namespace qx7::platform
