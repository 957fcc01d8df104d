#pragma once
// Owning handles for the libudev objects, released with their unref calls.

#include <libudev.h>

#include <memory>

namespace qx7::platform {

template <typename T, T* (*Unref)(T*)>
struct UdevUnref {
    void operator()(T* object) const {
        if (object != nullptr) Unref(object);
    }
};

using UdevPtr = std::unique_ptr<udev, UdevUnref<udev, udev_unref>>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevUnref<udev_device, udev_device_unref>>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevUnref<udev_enumerate, udev_enumerate_unref>>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevUnref<udev_monitor, udev_monitor_unref>>;

}  // namespace qx7::platform
