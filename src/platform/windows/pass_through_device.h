#pragma once
// A ScsiDevice over the Windows SCSI pass-through service
// (IOCTL_SCSI_PASS_THROUGH) on an open storage interface handle. The request
// is the system's native SCSI_PASS_THROUGH followed by the sense and data
// areas; the data is copied in and out of the request.

#include <memory>

#include "platform/windows/win32_device_api.h"
#include "transport/scsi_device.h"

namespace qx7::platform {

class PassThroughDevice final : public transport::ScsiDevice {
public:
    // Takes ownership of `handle`, closed through `api` on destruction.
    PassThroughDevice(std::shared_ptr<Win32DeviceApi> api, Win32Handle handle);
    ~PassThroughDevice() override;
    PassThroughDevice(const PassThroughDevice&) = delete;
    PassThroughDevice& operator=(const PassThroughDevice&) = delete;

    // Succeeds when the control call succeeds and the drive reports GOOD
    // status. Copies out, on GOOD status, only the bytes the system says were transferred,
    // never more than the request holds. A transfer above kMaxTransferLength
    // or a command block of no or too many bytes is refused without a call.
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override;

private:
    std::shared_ptr<Win32DeviceApi> api_;
    Win32Handle handle_;
};

}  // namespace qx7::platform
