#include "transport/device_enumerator.h"

namespace qx7::transport {

std::string DeviceNumberText(const std::optional<DeviceNumber>& number) {
    if (!number) return "no device number";
    return std::to_string(number->major) + ":" + std::to_string(number->minor);
}

}  // namespace qx7::transport
