#include "platform/windows/windows_drives.h"

#include "platform/windows/windows_watcher.h"

namespace qx7::platform {
namespace {

constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kSharingViolation = 32;

std::string WithCode(const std::string& text, std::uint32_t error) {
    return text + " (Windows error " + std::to_string(error) + ")";
}

}  // namespace

std::string ElevationAdvice(FrontEnd front_end) {
    if (front_end == FrontEnd::Window) {
        return "drive access needs an elevated process: start the QX7 Configurator with \"Run as administrator\"";
    }
    return "drive access needs an elevated process: run qx7ctl from a command prompt opened with \"Run as "
           "administrator\"";
}

std::string OpenErrorText(std::uint32_t error, bool elevated, FrontEnd front_end) {
    switch (error) {
        case kAccessDenied: return elevated ? WithCode("access is denied", error) : ElevationAdvice(front_end);
        case kFileNotFound:
        case kPathNotFound: return WithCode("the interface is gone", error);
        case kSharingViolation: return WithCode("another program holds the drive", error);
        default: return WithCode("it cannot be opened", error);
    }
}

WindowsDrives::WindowsDrives(std::shared_ptr<Win32DeviceApi> api, bool elevated, FrontEnd front_end,
                             AccessProblemHandler on_access_problem)
    : elevated_(elevated),
      front_end_(front_end),
      on_access_problem_(std::move(on_access_problem)),
      windows_(std::move(api),
               [elevated, front_end](std::uint32_t error) { return OpenErrorText(error, elevated, front_end); }),
      opener_(*this, windows_) {}

std::string WindowsDrives::AccessProblem() const { return elevated_ ? std::string() : ElevationAdvice(front_end_); }

std::unique_ptr<transport::ScsiDevice> WindowsDrives::Opener::Open(const std::string& path) {
    auto device = inner().Open(path);
    if (!device && !drives_.elevated_ && drives_.windows_.OpenError(path) == kAccessDenied &&
        !drives_.told_.exchange(true) && drives_.on_access_problem_) {
        drives_.on_access_problem_(drives_.AccessProblem());
    }
    return device;
}

std::vector<std::string> WindowsDrives::NodeDetails(const std::string& usb_key) {
    std::vector<std::string> lines;
    for (const auto storage_class : {transport::StorageClass::CdRom, transport::StorageClass::Disk}) {
        for (const auto& storage : windows_.StorageInterfaces(storage_class)) {
            if (storage.usb_key.empty() || storage.usb_key != usb_key) continue;
            std::string line = storage_class == transport::StorageClass::CdRom ? "CD-ROM node " : "disk node ";
            line += storage.path + " (" +
                    (storage.device_number ? "device number " + std::to_string(storage.device_number->minor)
                                           : std::string("no device number")) +
                    "): ";
            line += opener_.Open(storage.path) ? "opens for commands" : "does not open: " + OpenFailure(storage.path);
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

std::unique_ptr<transport::DeviceWatcher> WindowsDrives::Watch(std::string* error) {
    return WindowsWatcher::Create(error);
}

}  // namespace qx7::platform
