#include "platform/windows/windows_watcher.h"

#include <windows.h>
// <dbt.h> needs <windows.h> first; each in its own block keeps the order.
#include <dbt.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/windows/interface_guids.h"

namespace qx7::platform {
namespace {

using transport::DeviceEvent;

constexpr wchar_t kWindowClass[] = L"QX7DeviceChangeWatcher";
// Waits longer than this are waits without end.
constexpr std::chrono::milliseconds kLongestWait{0x7FFFFFFF};

}  // namespace

struct WindowsWatcher::State {
    HANDLE changed = nullptr;  // manual reset: set by an event or a wake
    std::atomic<bool> woken{false};
    std::mutex mutex;
    std::vector<DeviceEvent> events;
    std::thread thread;
    DWORD thread_id = 0;
    HWND window = nullptr;

    ~State() {
        if (changed) CloseHandle(changed);
    }

    void Add(DeviceEvent event) {
        {
            const std::lock_guard lock(mutex);
            events.push_back(event);
        }
        SetEvent(changed);
    }

    // Whether a wait may end: events are waiting or a wake came (which it takes).
    bool Pending() {
        if (woken.exchange(false)) return true;
        const std::lock_guard lock(mutex);
        return !events.empty();
    }
};

namespace {

// Whether a device notification's lParam names a USB device interface. Only
// read for messages the system sent: a posted message's lParam may point
// anywhere.
bool IsUsbDeviceInterface(LPARAM lparam) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lparam);
    if (!header || header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) ||
        header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
        return false;
    }
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(lparam);
    return IsEqualGUID(device->dbcc_classguid, UsbDeviceInterfaceGuid()) != 0;
}

LRESULT CALLBACK WatcherWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DEVICECHANGE) {
        auto* state = reinterpret_cast<WindowsWatcher::State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto event = ClassifyDeviceChange(wparam, InSendMessage() && IsUsbDeviceInterface(lparam));
        if (event && state) state->Add(*event);
        return TRUE;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterWindowClass() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = WatcherWindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kWindowClass;
    return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HDEVNOTIFY RegisterInterface(HWND window, const GUID& guid) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = guid;
    return RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

// The window thread: creates the window, reports whether it could, and
// serves its messages until WM_QUIT.
void RunWindow(WindowsWatcher::State* state, std::promise<std::string> ready) {
    if (!RegisterWindowClass()) {
        ready.set_value("Cannot watch for drives: the notification window class cannot be registered (Windows error " +
                        std::to_string(GetLastError()) + ").");
        return;
    }
    // A hidden top-level window, which also hears the broadcast
    // DBT_DEVNODES_CHANGED; where none can be made (no desktop, as under wine
    // without a display), a message-only window, which hears the USB device
    // interfaces come and go instead.
    HWND window = CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                                 nullptr);
    }
    if (!window) {
        ready.set_value("Cannot watch for drives: the notification window cannot be created (Windows error " +
                        std::to_string(GetLastError()) + ").");
        return;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    std::vector<HDEVNOTIFY> notifications;
    for (const GUID* guid : {&InterfaceClassGuid(InterfaceClass::Disk), &InterfaceClassGuid(InterfaceClass::CdRom),
                             &VolumeInterfaceGuid(), &UsbDeviceInterfaceGuid()}) {
        if (const HDEVNOTIFY notification = RegisterInterface(window, *guid)) notifications.push_back(notification);
    }
    if (notifications.empty()) {
        const DWORD error = GetLastError();
        DestroyWindow(window);
        ready.set_value("Cannot watch for drives: device notifications cannot be registered (Windows error " +
                        std::to_string(error) + ").");
        return;
    }
    state->window = window;
    state->thread_id = GetCurrentThreadId();
    ready.set_value({});
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    for (const HDEVNOTIFY notification : notifications) UnregisterDeviceNotification(notification);
    DestroyWindow(window);
}

}  // namespace

std::optional<DeviceEvent> ClassifyDeviceChange(std::uintptr_t wparam, bool usb_device_interface) {
    switch (wparam) {
        case DBT_DEVNODES_CHANGED: return DeviceEvent::NodesChanged;
        case DBT_DEVICEARRIVAL: return usb_device_interface ? DeviceEvent::NodesChanged : DeviceEvent::Arrival;
        case DBT_DEVICEREMOVECOMPLETE: return usb_device_interface ? DeviceEvent::NodesChanged : DeviceEvent::Removal;
        default: return std::nullopt;
    }
}

std::unique_ptr<WindowsWatcher> WindowsWatcher::Create(std::string* error) {
    auto state = std::make_unique<State>();
    state->changed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!state->changed) {
        *error =
            "Cannot watch for drives: no event can be created (Windows error " + std::to_string(GetLastError()) + ").";
        return nullptr;
    }
    std::promise<std::string> ready;
    std::future<std::string> problem = ready.get_future();
    state->thread = std::thread(RunWindow, state.get(), std::move(ready));
    std::string text = problem.get();
    if (!text.empty()) {
        state->thread.join();
        *error = std::move(text);
        return nullptr;
    }
    return std::unique_ptr<WindowsWatcher>(new WindowsWatcher(std::move(state)));
}

WindowsWatcher::WindowsWatcher(std::unique_ptr<State> state) : state_(std::move(state)) {}

WindowsWatcher::~WindowsWatcher() {
    // The window's thread has its queue (it created the window), so the
    // quit message reaches it.
    PostThreadMessageW(state_->thread_id, WM_QUIT, 0, 0);
    state_->thread.join();
}

bool WindowsWatcher::WaitForChange(std::chrono::milliseconds timeout) {
    const bool endless = timeout >= kLongestWait;
    const auto deadline = std::chrono::steady_clock::now() + (endless ? std::chrono::milliseconds(0) : timeout);
    for (;;) {
        // Reset before looking, so that a change after the look sets it again.
        ResetEvent(state_->changed);
        if (state_->Pending()) return true;
        DWORD wait = INFINITE;
        if (!endless) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            wait = static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        }
        if (WaitForSingleObject(state_->changed, wait) != WAIT_OBJECT_0) return state_->Pending();
    }
}

void WindowsWatcher::Wake() {
    state_->woken.store(true);
    SetEvent(state_->changed);
}

std::vector<DeviceEvent> WindowsWatcher::TakeEvents() {
    const std::lock_guard lock(state_->mutex);
    return std::exchange(state_->events, {});
}

std::uintptr_t WindowsWatcher::window() const { return reinterpret_cast<std::uintptr_t>(state_->window); }

}  // namespace qx7::platform
