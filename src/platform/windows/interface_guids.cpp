// The one translation unit that instantiates the interface class GUIDs.

#include "platform/windows/interface_guids.h"

// <initguid.h> must come before the headers whose GUIDs it instantiates; each in its own block keeps the order.
#include <initguid.h>

#include <usbiodef.h>

#include <winioctl.h>

namespace qx7::platform {

const GUID& InterfaceClassGuid(InterfaceClass interface_class) {
    switch (interface_class) {
        case InterfaceClass::UsbHub: return GUID_DEVINTERFACE_USB_HUB;
        case InterfaceClass::CdRom: return GUID_DEVINTERFACE_CDROM;
        case InterfaceClass::Disk: break;
    }
    return GUID_DEVINTERFACE_DISK;
}

const GUID& VolumeInterfaceGuid() { return GUID_DEVINTERFACE_VOLUME; }

const GUID& UsbDeviceInterfaceGuid() { return GUID_DEVINTERFACE_USB_DEVICE; }

}  // namespace qx7::platform
