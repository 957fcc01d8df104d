#pragma once
// Parsing of the text the kernel shows in sysfs for a USB device. The text
// comes from the device (string descriptors) or from its kernel name, so
// nothing here trusts its length or form.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qx7::platform {

// idVendor and idProduct: exactly four hexadecimal digits.
std::optional<std::uint16_t> ParseUsbIdText(std::string_view text);

// The port a USB device hangs on, from its kernel name "<bus>-<port>[.<port>]…":
// the last port number. 0 for a root hub ("usb2") or a name of another form.
std::uint32_t PortFromUsbName(std::string_view name);

// A string descriptor as sysfs shows it (UTF-8 converted by the kernel):
// decoded leniently and cut to the units a drive record keeps.
std::u16string UsbStringText(std::string_view utf8);

}  // namespace qx7::platform
