#include "platform/linux/sg_device.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace qx7::platform {
namespace {

// Driver status that only says "sense data is attached"; it accompanies a
// CHECK CONDITION and is not an I/O failure of its own.
constexpr unsigned kDriverSense = 0x08;

int KernelIoctl(int fd, sg_io_hdr_t* header) { return ::ioctl(fd, SG_IO, header); }

int DirectionOf(transport::DataDirection direction) {
    switch (direction) {
        case transport::DataDirection::In: return SG_DXFER_FROM_DEV;
        case transport::DataDirection::Out: return SG_DXFER_TO_DEV;
        case transport::DataDirection::None: break;
    }
    return SG_DXFER_NONE;
}

}  // namespace

SgDevice::SgDevice(int fd, bool owns_fd, SgIoctl ioctl)
    : fd_(fd), owns_fd_(owns_fd), ioctl_(ioctl ? std::move(ioctl) : SgIoctl(KernelIoctl)) {}

SgDevice::~SgDevice() {
    if (owns_fd_ && fd_ >= 0) ::close(fd_);
}

std::unique_ptr<SgDevice> SgDevice::Open(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<SgDevice>(fd);
}

transport::ScsiResult SgDevice::Execute(const transport::ScsiRequest& request) {
    transport::ScsiResult result;
    const bool has_data = request.direction != transport::DataDirection::None;
    const std::size_t length = has_data ? request.data.size() : 0;
    if (length > transport::kMaxTransferLength || request.cdb_length == 0 || request.cdb_length > request.cdb.size()) {
        return result;
    }

    std::array<std::uint8_t, 16> cdb = request.cdb;
    std::array<std::uint8_t, transport::kSenseLength> sense{};
    sg_io_hdr_t header{};
    header.interface_id = 'S';
    header.dxfer_direction = DirectionOf(request.direction);
    header.cmd_len = request.cdb_length;
    header.mx_sb_len = static_cast<unsigned char>(sense.size());
    header.dxfer_len = static_cast<unsigned>(length);
    header.dxferp = length > 0 ? request.data.data() : nullptr;
    header.cmdp = cdb.data();
    header.sbp = sense.data();
    header.timeout = request.timeout_seconds * 1000u;

    if (ioctl_(fd_, &header) != 0) return result;

    const bool driver_ok = header.driver_status == 0 || (header.driver_status == kDriverSense && header.status != 0);
    result.io_ok = header.host_status == 0 && driver_ok;
    result.scsi_status = header.status;
    // resid is what the kernel did not transfer. A value outside
    // [0, dxfer_len] cannot come from a working driver: report an I/O error
    // rather than trust it.
    const int resid = header.resid;
    if (resid < 0 || static_cast<std::size_t>(resid) > length) {
        result.io_ok = false;
        result.transferred = 0;
        return result;
    }
    result.transferred = static_cast<std::uint32_t>(length - static_cast<std::size_t>(resid));
    return result;
}

}  // namespace qx7::platform
