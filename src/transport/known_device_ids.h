#pragma once
// The USB ids of the drives the configurator accepts, in the order they are
// tried. The first entry is the primary id; a device matching several
// entries takes the first, so the primary id always wins over its later
// duplicate.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace qx7::transport {

struct UsbId {
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;

    bool operator==(const UsbId&) const = default;
};

inline constexpr std::size_t kKnownDeviceIdCount = 5;

UsbId PrimaryDeviceId();
const std::array<UsbId, kKnownDeviceIdCount>& KnownDeviceIds();

// Index of the first entry equal to `id`, if any.
std::optional<std::size_t> KnownDeviceIndex(UsbId id);

}  // namespace qx7::transport
