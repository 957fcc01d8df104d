#pragma once
// One SCSI command on an open drive: the seam between the drive protocol and
// the platform's SCSI pass-through service (SG_IO on Linux, the simulator in
// tests and demos).

#include <array>
#include <cstdint>
#include <span>

namespace qx7::transport {

enum class DataDirection { None, In, Out };

// Fixed values carried by every command we send.
inline constexpr std::uint32_t kCommandTimeoutSeconds = 30;
inline constexpr std::size_t kSenseLength = 32;
// Largest transfer one command may carry; longer requests are refused before
// anything reaches the drive.
inline constexpr std::size_t kMaxTransferLength = 2048;

struct ScsiRequest {
    std::array<std::uint8_t, 16> cdb{};  // bytes past cdb_length are zero
    std::uint8_t cdb_length = 0;         // 6, 10 or 16
    DataDirection direction = DataDirection::None;
    // In: the device writes at most data.size() bytes here.
    // Out: data.size() bytes are sent. None: empty.
    // Its size is the transfer length.
    std::span<std::uint8_t> data;
    std::uint32_t timeout_seconds = kCommandTimeoutSeconds;
};

struct ScsiResult {
    bool io_ok = false;             // the platform call itself succeeded
    std::uint8_t scsi_status = 0;   // SCSI status byte reported by the drive
    std::uint32_t transferred = 0;  // bytes actually moved in the data phase

    // A command succeeded when the platform call worked and the drive
    // reported GOOD status.
    bool ok() const { return io_ok && scsi_status == 0; }
};

class ScsiDevice {
public:
    virtual ~ScsiDevice() = default;
    // Sends one command and waits for it. Implementations never write past
    // request.data and report transferred <= request.data.size().
    virtual ScsiResult Execute(const ScsiRequest& request) = 0;
};

}  // namespace qx7::transport
