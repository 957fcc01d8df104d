// Win32DeviceApi over the system's setup, configuration-manager and file
// services. Each call hands back what the system wrote, never more than the
// buffer it was given.

#include <windows.h>
// The device headers need <windows.h> first; each in its own block keeps the order.
#include <cfgmgr32.h>

#include <setupapi.h>

#include <algorithm>
#include <array>

#include "platform/windows/interface_guids.h"
#include "platform/windows/win32_device_api.h"

namespace qx7::platform {
namespace {

// The instance-id and DOS-device buffers are MAX_PATH units; the driver-key
// property buffer 520 bytes; the interface detail buffer 526 bytes.
constexpr DWORD kIdUnits = MAX_PATH;
constexpr DWORD kDriverKeyBytes = 520;
constexpr DWORD kDetailBytes = 526;

HANDLE ToNative(Win32Handle handle) { return reinterpret_cast<HANDLE>(handle); }

// Releases a device information set.
class InfoSet {
public:
    explicit InfoSet(HDEVINFO set) : set_(set) {}
    ~InfoSet() {
        if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    }
    InfoSet(const InfoSet&) = delete;
    InfoSet& operator=(const InfoSet&) = delete;
    HDEVINFO get() const { return set_; }
    bool valid() const { return set_ != INVALID_HANDLE_VALUE; }

private:
    HDEVINFO set_;
};

std::u16string UnitsOf(const wchar_t* text, std::size_t units) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), units);
}

class SystemDeviceApi final : public Win32DeviceApi {
public:
    std::optional<std::vector<UsbDeviceEntry>> PresentUsbDevices() override {
        InfoSet set(SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
        if (!set.valid()) return std::nullopt;
        std::vector<UsbDeviceEntry> devices;
        SP_DEVINFO_DATA info{};
        info.cbSize = sizeof info;
        for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &info); ++index) {
            UsbDeviceEntry entry;
            entry.dev_inst = info.DevInst;
            std::array<std::uint8_t, kDriverKeyBytes> key{};
            DWORD size = 0;
            if (SetupDiGetDeviceRegistryPropertyW(set.get(), &info, SPDRP_DRIVER, nullptr, key.data(), kDriverKeyBytes,
                                                  &size)) {
                entry.driver_key.emplace(key.begin(), key.begin() + std::min<DWORD>(size, kDriverKeyBytes));
            }
            devices.push_back(std::move(entry));
        }
        return devices;
    }

    std::optional<std::vector<InterfaceEntry>> PresentInterfaces(InterfaceClass interface_class) override {
        const GUID& guid = InterfaceClassGuid(interface_class);
        InfoSet set(SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
        if (!set.valid()) return std::nullopt;
        std::vector<InterfaceEntry> interfaces;
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set.get(), nullptr, &guid, index, &data); ++index) {
            // The detail structure with its path, aligned as the structure needs.
            alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_W) std::array<std::uint8_t, kDetailBytes> buffer{};
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
            SP_DEVINFO_DATA info{};
            info.cbSize = sizeof info;
            if (!SetupDiGetDeviceInterfaceDetailW(set.get(), &data, detail, kDetailBytes, nullptr, &info)) continue;
            const std::size_t path_offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
            interfaces.push_back({UnitsOf(detail->DevicePath, (kDetailBytes - path_offset) / sizeof(wchar_t)),
                                  static_cast<DevInst>(info.DevInst)});
        }
        return interfaces;
    }

    std::optional<std::u16string> DeviceId(DevInst dev_inst) override {
        std::array<wchar_t, kIdUnits> id{};
        if (CM_Get_Device_IDW(dev_inst, id.data(), kIdUnits, 0) != CR_SUCCESS) return std::nullopt;
        return UnitsOf(id.data(), id.size());
    }

    std::optional<DevInst> Parent(DevInst dev_inst) override {
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, dev_inst, 0) != CR_SUCCESS) return std::nullopt;
        return static_cast<DevInst>(parent);
    }

    Win32Handle Open(std::u16string_view path, OpenAccess access, std::uint32_t* error) override {
        const std::wstring name(path.begin(), path.end());
        DWORD rights = 0;
        DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
        if (access == OpenAccess::Read) {
            rights = GENERIC_READ;
            sharing = FILE_SHARE_READ;
        } else if (access == OpenAccess::ReadWrite) {
            rights = GENERIC_READ | GENERIC_WRITE;
        }
        const HANDLE handle = CreateFileW(name.c_str(), rights, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
            if (error) *error = GetLastError();
            return kNoHandle;
        }
        return reinterpret_cast<Win32Handle>(handle);
    }

    std::optional<std::uint32_t> IoControl(Win32Handle handle, std::uint32_t code, std::span<const std::uint8_t> in,
                                           std::span<std::uint8_t> out) override {
        DWORD returned = 0;
        // DeviceIoControl takes a non-const input even though it only reads it.
        if (!DeviceIoControl(ToNative(handle), code, const_cast<std::uint8_t*>(in.data()),
                             static_cast<DWORD>(in.size()), out.data(), static_cast<DWORD>(out.size()), &returned,
                             nullptr)) {
            return std::nullopt;
        }
        return std::min<std::uint32_t>(returned, static_cast<std::uint32_t>(out.size()));
    }

    void Close(Win32Handle handle) override { CloseHandle(ToNative(handle)); }

    std::uint32_t LogicalDrives() override { return GetLogicalDrives(); }

    std::uint32_t DriveType(char16_t letter) override {
        const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\0'};
        return GetDriveTypeW(root);
    }

    std::optional<std::u16string> DosDeviceTarget(char16_t letter) override {
        const wchar_t name[] = {static_cast<wchar_t>(letter), L':', L'\0'};
        std::array<wchar_t, kIdUnits> target{};
        const DWORD units = QueryDosDeviceW(name, target.data(), kIdUnits);
        if (units == 0) return std::nullopt;
        return UnitsOf(target.data(), std::min<DWORD>(units, kIdUnits));
    }
};

}  // namespace

std::shared_ptr<Win32DeviceApi> MakeSystemDeviceApi() { return std::make_shared<SystemDeviceApi>(); }

}  // namespace qx7::platform
