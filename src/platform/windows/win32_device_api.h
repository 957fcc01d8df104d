#pragma once
// The Win32 device services the Windows back end uses, one call each, behind
// an interface so that discovery and pass-through can be tried against a
// scripted device tree. Everything a call hands back is what the system gave,
// uncut and unchecked: strings may lack their terminator and byte counts may
// exceed the buffer. The callers check every length.
//
// No <windows.h> here: handles, device instances and interface classes are
// plain values.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qx7::platform {

// A configuration-manager device instance (DEVINST).
using DevInst = std::uint32_t;

// An open file handle; kNoHandle when none.
using Win32Handle = std::uintptr_t;
inline constexpr Win32Handle kNoHandle = 0;

enum class InterfaceClass { UsbHub, CdRom, Disk };

// One device of SetupDiGetClassDevsW(enumerator "USB", DIGCF_PRESENT |
// DIGCF_ALLCLASSES).
struct UsbDeviceEntry {
    DevInst dev_inst = 0;
    // SPDRP_DRIVER as SetupDiGetDeviceRegistryPropertyW left it (UTF-16LE
    // bytes, at most the 520-byte buffer); absent when it could not be read.
    std::optional<std::vector<std::uint8_t>> driver_key;
};

// One interface of SetupDiGetClassDevsW(class, DIGCF_PRESENT |
// DIGCF_DEVICEINTERFACE) whose detail could be read.
struct InterfaceEntry {
    // DevicePath of the detail, the units of the detail buffer after it.
    std::u16string path;
    DevInst dev_inst = 0;
};

// How CreateFileW opens a path (always OPEN_EXISTING).
enum class OpenAccess {
    Query,      // no access rights, read and write sharing: for device controls that need none
    Read,       // GENERIC_READ, read sharing
    ReadWrite,  // GENERIC_READ | GENERIC_WRITE, read and write sharing
};

class Win32DeviceApi {
public:
    virtual ~Win32DeviceApi() = default;

    // Present USB devices in enumeration order; absent when the list cannot be had.
    virtual std::optional<std::vector<UsbDeviceEntry>> PresentUsbDevices() = 0;
    // Present interfaces of a class in enumeration order; absent when the
    // list cannot be had.
    virtual std::optional<std::vector<InterfaceEntry>> PresentInterfaces(InterfaceClass interface_class) = 0;
    // CM_Get_Device_IDW into a 260-unit buffer: the buffer's units.
    virtual std::optional<std::u16string> DeviceId(DevInst dev_inst) = 0;
    // CM_Get_Parent.
    virtual std::optional<DevInst> Parent(DevInst dev_inst) = 0;

    // CreateFileW. kNoHandle with *error (GetLastError) on failure.
    virtual Win32Handle Open(std::u16string_view path, OpenAccess access, std::uint32_t* error) = 0;
    // DeviceIoControl without overlapped operation; `in` and `out` may be the
    // same memory. The bytes returned, or absent when the call failed.
    virtual std::optional<std::uint32_t> IoControl(Win32Handle handle, std::uint32_t code,
                                                   std::span<const std::uint8_t> in, std::span<std::uint8_t> out) = 0;
    virtual void Close(Win32Handle handle) = 0;

    // GetLogicalDrives.
    virtual std::uint32_t LogicalDrives() = 0;
    // GetDriveTypeW of "L:".
    virtual std::uint32_t DriveType(char16_t letter) = 0;
    // QueryDosDeviceW of "L:" into a 260-unit buffer: the units it wrote.
    virtual std::optional<std::u16string> DosDeviceTarget(char16_t letter) = 0;
};

// The system's own services.
std::shared_ptr<Win32DeviceApi> MakeSystemDeviceApi();

// Closes a handle of `api` when it goes out of scope.
class ScopedHandle {
public:
    ScopedHandle(Win32DeviceApi& api, Win32Handle handle) : api_(api), handle_(handle) {}
    ~ScopedHandle() {
        if (handle_ != kNoHandle) api_.Close(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Win32Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != kNoHandle; }

private:
    Win32DeviceApi& api_;
    Win32Handle handle_;
};

}  // namespace qx7::platform
