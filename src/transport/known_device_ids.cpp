#include "transport/known_device_ids.h"

namespace qx7::transport {

UsbId PrimaryDeviceId() { return {0x230A, 0x1180}; }

const std::array<UsbId, kKnownDeviceIdCount>& KnownDeviceIds() {
    static const std::array<UsbId, kKnownDeviceIdCount> ids{{
        PrimaryDeviceId(),
        {0x04C5, 0x2026},
        {0x04C5, 0x2028},
        {0x230A, 0x1180},
        {0x230A, 0x1181},
    }};
    return ids;
}

std::optional<std::size_t> KnownDeviceIndex(UsbId id) {
    const auto& ids = KnownDeviceIds();
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == id) return i;
    }
    return std::nullopt;
}

}  // namespace qx7::transport
