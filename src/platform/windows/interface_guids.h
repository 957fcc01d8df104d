#pragma once
// The device interface classes the Windows back end lists and watches.

#include <windows.h>

#include "platform/windows/win32_device_api.h"

namespace qx7::platform {

const GUID& InterfaceClassGuid(InterfaceClass interface_class);
// Volumes and USB devices, which the watcher also asks to hear about.
const GUID& VolumeInterfaceGuid();
const GUID& UsbDeviceInterfaceGuid();

}  // namespace qx7::platform
