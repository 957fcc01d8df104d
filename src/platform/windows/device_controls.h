#pragma once
// Control codes and byte layouts of the hub and storage device controls that
// discovery sends. The layouts are those of the packed structures in
// <usbioctl.h> and <winioctl.h>; device_controls.cpp checks them against the
// system headers. Discovery reads and writes the buffers by these offsets so
// that every access is checked against the bytes the device returned.

#include <cstddef>
#include <cstdint>

namespace qx7::platform::controls {

inline constexpr std::uint32_t kGetNodeInformation = 0x220408;
inline constexpr std::uint32_t kGetNodeConnectionInformationEx = 0x220448;
inline constexpr std::uint32_t kGetNodeConnectionDriverKeyName = 0x220420;
inline constexpr std::uint32_t kGetDescriptorFromNodeConnection = 0x220410;
inline constexpr std::uint32_t kStorageGetDeviceNumber = 0x2D1080;

// USB_NODE_INFORMATION: the hub descriptor's port count.
inline constexpr std::size_t kNodeInformationSize = 76;
inline constexpr std::size_t kNodeNumberOfPorts = 6;

// USB_NODE_CONNECTION_INFORMATION_EX with room for 30 pipes.
inline constexpr std::size_t kConnectionInformationSize = 365;
inline constexpr std::size_t kConnectionIndex = 0;  // u32, in every hub control
inline constexpr std::size_t kConnectionVendorId = 12;
inline constexpr std::size_t kConnectionProductId = 14;
inline constexpr std::size_t kConnectionManufacturerIndex = 18;
inline constexpr std::size_t kConnectionProductIndex = 19;
inline constexpr std::size_t kConnectionSerialNumberIndex = 20;
inline constexpr std::size_t kConnectionStatus = 31;  // u32
inline constexpr std::uint32_t kDeviceConnected = 1;

// USB_NODE_CONNECTION_DRIVERKEY_NAME with room for 261 units.
inline constexpr std::size_t kDriverKeyNameSize = 530;
inline constexpr std::size_t kDriverKeyNameText = 8;

// USB_DESCRIPTOR_REQUEST followed by a 520-byte descriptor.
inline constexpr std::size_t kDescriptorRequestSize = 532;
inline constexpr std::size_t kSetupValue = 6;    // u16
inline constexpr std::size_t kSetupIndex = 8;    // u16
inline constexpr std::size_t kSetupLength = 10;  // u16
inline constexpr std::size_t kDescriptorData = 12;
inline constexpr std::uint16_t kStringDescriptorType = 0x0300;
inline constexpr std::uint16_t kEnglishUnitedStates = 0x0409;
inline constexpr std::uint16_t kDescriptorLength = 520;

// STORAGE_DEVICE_NUMBER: device type, device number, partition number.
inline constexpr std::size_t kDeviceNumberSize = 12;
inline constexpr std::size_t kDeviceNumber = 4;

// GetDriveTypeW.
inline constexpr std::uint32_t kDriveRemote = 4;
inline constexpr std::uint32_t kDriveCdRom = 5;

}  // namespace qx7::platform::controls
