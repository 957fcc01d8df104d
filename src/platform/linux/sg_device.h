#pragma once
// A ScsiDevice over the Linux kernel's SG_IO pass-through, on an open file
// descriptor of a SCSI generic or block node.

#include <functional>
#include <memory>
#include <string>

#include <scsi/sg.h>

#include "transport/scsi_device.h"

namespace qx7::platform {

// The ioctl call SgDevice makes; injectable so that tests can check the
// request header and play back the kernel's answers.
using SgIoctl = std::function<int(int fd, sg_io_hdr_t* header)>;

class SgDevice final : public transport::ScsiDevice {
public:
    // Takes ownership of `fd` (closed on destruction) unless `owns_fd` is false.
    explicit SgDevice(int fd, bool owns_fd = true, SgIoctl ioctl = {});
    ~SgDevice() override;
    SgDevice(const SgDevice&) = delete;
    SgDevice& operator=(const SgDevice&) = delete;

    // Opens `path` read-write (the drive's vendor commands need it) without
    // blocking on a busy device. Null with `error` set on failure.
    static std::unique_ptr<SgDevice> Open(const std::string& path, std::string* error = nullptr);

    // Succeeds only when the ioctl succeeds and the SCSI, host and driver
    // status are all zero. A transfer above kMaxTransferLength is refused
    // without calling the kernel.
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override;

private:
    int fd_;
    bool owns_fd_;
    SgIoctl ioctl_;
};

}  // namespace qx7::platform
