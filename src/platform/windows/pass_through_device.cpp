#include "platform/windows/pass_through_device.h"

#include <windows.h>
// The device headers need <windows.h> first; each in its own block keeps the order.
#include <ntddscsi.h>

#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace qx7::platform {
namespace {

// The request as the system takes it: header, then sense, then data.
struct PassThroughRequest {
    SCSI_PASS_THROUGH header;
    UCHAR sense[transport::kSenseLength];
    UCHAR data[transport::kMaxTransferLength];
};

// The 64-bit layout of the header. MinGW's ..._DIRECT32 and ...32 types are
// not the layout a 64-bit process sends, so only the native type is used.
static_assert(offsetof(SCSI_PASS_THROUGH, Length) == 0);
static_assert(offsetof(SCSI_PASS_THROUGH, ScsiStatus) == 2);
static_assert(offsetof(SCSI_PASS_THROUGH, PathId) == 3);
static_assert(offsetof(SCSI_PASS_THROUGH, TargetId) == 4);
static_assert(offsetof(SCSI_PASS_THROUGH, Lun) == 5);
static_assert(offsetof(SCSI_PASS_THROUGH, CdbLength) == 6);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoLength) == 7);
static_assert(offsetof(SCSI_PASS_THROUGH, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH, TimeOutValue) == 16);
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == 32);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == 36);
static_assert(sizeof(SCSI_PASS_THROUGH) == 56);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 24);
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 56);
static_assert(offsetof(PassThroughRequest, sense) == 56);
static_assert(offsetof(PassThroughRequest, data) == 88);
static_assert(IOCTL_SCSI_PASS_THROUGH == 0x4D004);

// The drive answers on target 1 of its bus.
constexpr UCHAR kTargetId = 1;

}  // namespace

PassThroughDevice::PassThroughDevice(std::shared_ptr<Win32DeviceApi> api, Win32Handle handle)
    : api_(std::move(api)), handle_(handle) {}

PassThroughDevice::~PassThroughDevice() {
    if (handle_ != kNoHandle) api_->Close(handle_);
}

transport::ScsiResult PassThroughDevice::Execute(const transport::ScsiRequest& request) {
    transport::ScsiResult result;
    const bool has_data = request.direction != transport::DataDirection::None;
    const std::size_t length = has_data ? request.data.size() : 0;
    if (length > transport::kMaxTransferLength || request.cdb_length == 0 || request.cdb_length > request.cdb.size()) {
        return result;
    }

    PassThroughRequest buffer{};
    SCSI_PASS_THROUGH& header = buffer.header;
    header.Length = sizeof(SCSI_PASS_THROUGH);
    header.TargetId = kTargetId;
    header.CdbLength = request.cdb_length;
    header.SenseInfoLength = transport::kSenseLength;
    header.DataIn = request.direction == transport::DataDirection::In ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
    header.DataTransferLength = static_cast<ULONG>(length);
    header.TimeOutValue = request.timeout_seconds;
    header.DataBufferOffset = offsetof(PassThroughRequest, data);
    header.SenseInfoOffset = offsetof(PassThroughRequest, sense);
    std::copy_n(request.cdb.begin(), request.cdb_length, header.Cdb);
    if (request.direction == transport::DataDirection::Out && length > 0) {
        std::memcpy(buffer.data, request.data.data(), length);
    }

    const auto bytes = std::span(reinterpret_cast<std::uint8_t*>(&buffer), sizeof buffer);
    if (!api_->IoControl(handle_, IOCTL_SCSI_PASS_THROUGH, bytes, bytes)) return result;

    result.io_ok = true;
    result.scsi_status = header.ScsiStatus;
    // The system leaves the bytes moved in DataTransferLength; a value above
    // what was asked cannot be trusted with the caller's buffer. Data comes
    // back only with GOOD status.
    const std::size_t transferred = std::min<std::size_t>(header.DataTransferLength, length);
    result.transferred = static_cast<std::uint32_t>(transferred);
    if (result.ok() && request.direction == transport::DataDirection::In && transferred > 0) {
        std::memcpy(request.data.data(), buffer.data, transferred);
    }
    return result;
}

}  // namespace qx7::platform
