#include "helper/node_guard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/linux/sg_device.h"
#include "platform/linux/udev_tree.h"
#include "transport/known_device_ids.h"

namespace qx7::helper {
namespace {

using platform::TextOf;
using platform::UdevDevicePtr;

std::string UsbIdText(const transport::UsbId& id) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", id.vendor_id, id.product_id);
    return text;
}

// Empty when the node udev knows as `number` is a scsi_generic node at
// `path` on a SCSI device of a QX7; otherwise why not.
std::string CheckUdevDevice(udev* context, const std::string& path, dev_t number) {
    UdevDevicePtr device(udev_device_new_from_devnum(context, 'c', number));
    if (!device) return "udev knows no device for it";
    if (TextOf(udev_device_get_subsystem(device.get())) != "scsi_generic") return "not a SCSI generic (sg) node";
    if (TextOf(udev_device_get_devnode(device.get())) != path) return "not the node udev names for its device";
    if (platform::ScsiDeviceAbove(device.get()) == nullptr) return "no SCSI device above it";
    udev_device* usb = platform::UsbDeviceAbove(device.get());
    if (usb == nullptr) return "not on a USB device";
    const auto id = platform::UsbIdOf(usb);
    if (!id) return "its USB device has no readable vendor and product id";
    if (!transport::KnownDeviceIndex(*id)) return "its USB device " + UsbIdText(*id) + " is not a QX7";
    return {};
}

// No empty, "." or ".." component: the path names the node directly.
bool IsPlainPath(const std::string& path) {
    std::size_t at = 1;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view part(path.data() + at, end - at);
        if (part.empty() || part == "." || part == "..") return false;
        at = end + 1;
    }
    return true;
}

}  // namespace

GuardedNodeOpener::GuardedNodeOpener() : context_(udev_new()) {}

std::unique_ptr<transport::ScsiDevice> GuardedNodeOpener::Open(const std::string& path, std::string* refusal) {
    const auto refuse = [&](const std::string& why) {
        *refusal = path + ": " + why;
        return nullptr;
    };
    if (!context_) return refuse("udev is not available");
    if (path.rfind("/dev/", 0) != 0) return refuse("not a node under /dev");
    if (!IsPlainPath(path)) return refuse("not a plain node path");

    struct stat checked {};
    if (::lstat(path.c_str(), &checked) != 0) return refuse(std::strerror(errno));
    if (!S_ISCHR(checked.st_mode)) return refuse("not a character device node");
    if (const std::string why = CheckUdevDevice(context_.get(), path, checked.st_rdev); !why.empty()) {
        return refuse(why);
    }

    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0) return refuse(std::strerror(errno));
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || opened.st_dev != checked.st_dev || opened.st_ino != checked.st_ino) {
        ::close(fd);
        return refuse("the node changed while it was being opened");
    }
    return std::make_unique<platform::SgDevice>(fd);
}

}  // namespace qx7::helper
