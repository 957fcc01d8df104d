// Checks the layouts of device_controls.h against the system's structures.

#include "platform/windows/device_controls.h"

#include <windows.h>
// The device headers need <windows.h> first; each in its own block keeps the order.
#include <usbioctl.h>

#include <winioctl.h>

#include <cstddef>

namespace qx7::platform::controls {

static_assert(kGetNodeInformation == IOCTL_USB_GET_NODE_INFORMATION);
static_assert(kGetNodeConnectionInformationEx == IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX);
static_assert(kGetNodeConnectionDriverKeyName == IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME);
static_assert(kGetDescriptorFromNodeConnection == IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION);
static_assert(kStorageGetDeviceNumber == IOCTL_STORAGE_GET_DEVICE_NUMBER);

static_assert(sizeof(USB_NODE_INFORMATION) == kNodeInformationSize);
static_assert(offsetof(USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts) == kNodeNumberOfPorts);

static_assert(sizeof(USB_NODE_CONNECTION_INFORMATION_EX) + 30 * sizeof(USB_PIPE_INFO) == kConnectionInformationSize);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, ConnectionIndex) == kConnectionIndex);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.idVendor) == kConnectionVendorId);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.idProduct) == kConnectionProductId);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.iManufacturer) ==
              kConnectionManufacturerIndex);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.iProduct) == kConnectionProductIndex);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.iSerialNumber) ==
              kConnectionSerialNumberIndex);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, ConnectionStatus) == kConnectionStatus);
static_assert(DeviceConnected == kDeviceConnected);

static_assert(offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, ConnectionIndex) == kConnectionIndex);
static_assert(offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName) == kDriverKeyNameText);

static_assert(offsetof(USB_DESCRIPTOR_REQUEST, ConnectionIndex) == kConnectionIndex);
static_assert(offsetof(USB_DESCRIPTOR_REQUEST, SetupPacket.wValue) == kSetupValue);
static_assert(offsetof(USB_DESCRIPTOR_REQUEST, SetupPacket.wIndex) == kSetupIndex);
static_assert(offsetof(USB_DESCRIPTOR_REQUEST, SetupPacket.wLength) == kSetupLength);
static_assert(offsetof(USB_DESCRIPTOR_REQUEST, Data) == kDescriptorData);
static_assert(kDescriptorData + kDescriptorLength == kDescriptorRequestSize);

static_assert(sizeof(STORAGE_DEVICE_NUMBER) == kDeviceNumberSize);
static_assert(offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber) == kDeviceNumber);

static_assert(kDriveRemote == DRIVE_REMOTE);
static_assert(kDriveCdRom == DRIVE_CDROM);

}  // namespace qx7::platform::controls
