#include "platform/linux/usb_attributes.h"

#include <charconv>

#include "strings/text_codec.h"
#include "transport/discovery.h"

namespace qx7::platform {
namespace {

constexpr std::size_t kUsbIdDigits = 4;
// Hubs chain at most seven tiers deep, so a port number is small; anything
// longer is not a port.
constexpr std::size_t kMaxPortDigits = 3;

bool IsDecimal(std::string_view text) {
    if (text.empty() || text.size() > kMaxPortDigits) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

std::optional<std::uint16_t> ParseUsbIdText(std::string_view text) {
    if (text.size() != kUsbIdDigits) return std::nullopt;
    std::uint16_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::uint32_t PortFromUsbName(std::string_view name) {
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || !IsDecimal(name.substr(0, dash))) return 0;
    std::string_view chain = name.substr(dash + 1);
    std::uint32_t port = 0;
    while (true) {
        const std::size_t dot = chain.find('.');
        const std::string_view part = chain.substr(0, dot);
        if (!IsDecimal(part)) return 0;
        std::from_chars(part.data(), part.data() + part.size(), port);
        if (dot == std::string_view::npos) return port;
        chain = chain.substr(dot + 1);
    }
}

std::u16string UsbStringText(std::string_view utf8) {
    return transport::FitText(strings::FromUtf8(utf8), transport::kUsbStringUnits);
}

}  // namespace qx7::platform
