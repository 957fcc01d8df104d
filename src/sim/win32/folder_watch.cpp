#include "sim/folder_watch.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>

#include "strings/path_text.h"
#include "strings/win32/wide_text.h"

namespace qx7::sim {
namespace {

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid()) ::CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    void Close() {
        if (valid()) ::CloseHandle(handle_);
        handle_ = nullptr;
    }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// What in the folder is watched: names appearing (a file renamed over the
// one watched arrives as a new name) and writes.
constexpr DWORD kWatched = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

// While another program still has the file open for writing, it is asked
// again this often: Windows tells of each write, not of the close that
// makes the file whole.
constexpr DWORD kStillWritingRetryMs = 50;
// How often a wait looks whether the folder was removed.
constexpr DWORD kFolderCheckMs = 500;

class DirectoryChangesWatch : public FolderWatch {
public:
    DirectoryChangesWatch(HANDLE folder, std::filesystem::path file)
        : folder_(folder),
          changed_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          wake_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          file_(std::move(file)),
          file_name_(file_.filename().wstring()) {}

    ~DirectoryChangesWatch() override { Stop(); }

    // Starts the first read; false with the system's error code when the
    // folder cannot be watched.
    bool Start(DWORD& error) {
        if (!changed_.valid() || !wake_.valid()) {
            error = ::GetLastError();
            return false;
        }
        if (!Read()) {
            error = ::GetLastError();
            return false;
        }
        return true;
    }

    bool WaitForChange(std::chrono::milliseconds timeout) override {
        if (lost_) {
            // Nothing more will come but a wake.
            const auto wait_ms = std::clamp<long long>(timeout.count(), 0, INFINITE - 1);
            return ::WaitForSingleObject(wake_.get(), static_cast<DWORD>(wait_ms)) != WAIT_TIMEOUT;
        }
        if (!reading_ || FolderRemoved()) return true;  // the loss is there to take
        const HANDLE handles[] = {changed_.get(), wake_.get()};
        // Waited for in slices: a folder removed while watched is only
        // marked for deletion while this watch holds it open, which not
        // every system reports as the end of the read; and while another
        // program still has the file open for writing, Drain looks again.
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            const DWORD slice = static_cast<DWORD>(
                std::clamp<long long>(left, 0, still_writing_ ? kStillWritingRetryMs : kFolderCheckMs));
            if (::WaitForMultipleObjects(2, handles, FALSE, slice) != WAIT_TIMEOUT) return true;
            if (still_writing_ || FolderRemoved()) return true;  // time to look again
            if (left <= static_cast<long long>(slice)) return false;
        }
    }

    void Wake() override { ::SetEvent(wake_.get()); }

    Drained Drain() override {
        Drained drained;
        if (lost_) return drained;  // reported once
        bool seen = still_writing_;
        while (reading_) {
            DWORD length = 0;
            if (!::GetOverlappedResult(folder_.get(), &overlapped_, &length, FALSE)) {
                if (::GetLastError() == ERROR_IO_INCOMPLETE) break;  // nothing more yet
                // The folder was removed or can no longer be read.
                reading_ = false;
                break;
            }
            reading_ = false;
            // No notices at all: more changed than the buffer held.
            if (length == 0 || Mentions(length)) seen = true;
            if (!Read()) break;
        }
        if (!reading_ || FolderRemoved()) {
            Stop();
            lost_ = true;
            drained.watch_lost = true;
            return drained;
        }
        still_writing_ = seen && StillWritten();
        drained.file_written = seen && !still_writing_;
        return drained;
    }

private:
    // Ends the read and lets the folder go (a removed folder vanishes only
    // when its last handle is closed).
    void Stop() {
        if (reading_ && ::CancelIoEx(folder_.get(), &overlapped_)) {
            DWORD ignored = 0;
            ::GetOverlappedResult(folder_.get(), &overlapped_, &ignored, TRUE);
        }
        reading_ = false;
        folder_.Close();
    }

    bool FolderRemoved() const {
        if (!folder_.valid()) return true;
        FILE_STANDARD_INFO info{};
        if (!::GetFileInformationByHandleEx(folder_.get(), FileStandardInfo, &info, sizeof info)) return false;
        return info.DeletePending != FALSE;
    }

    bool Read() {
        ::ResetEvent(changed_.get());
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = changed_.get();
        reading_ = ::ReadDirectoryChangesW(folder_.get(), buffer_, sizeof buffer_, FALSE, kWatched, nullptr,
                                           &overlapped_, nullptr) != 0;
        return reading_;
    }

    // Whether the first `length` bytes of notices name the file.
    bool Mentions(DWORD length) const {
        const auto* bytes = reinterpret_cast<const std::byte*>(buffer_);
        const std::size_t end = std::min<std::size_t>(length, sizeof buffer_);
        constexpr std::size_t kHeader = offsetof(FILE_NOTIFY_INFORMATION, FileName);
        std::size_t at = 0;
        bool mentioned = false;
        while (at + kHeader <= end) {
            FILE_NOTIFY_INFORMATION header;
            std::memcpy(&header, bytes + at, kHeader);
            const std::size_t name_at = at + kHeader;
            if (header.FileNameLength > end - name_at) break;  // never past what was read
            std::wstring name(header.FileNameLength / sizeof(wchar_t), L'\0');
            std::memcpy(name.data(), bytes + name_at, name.size() * sizeof(wchar_t));
            const bool written = header.Action == FILE_ACTION_ADDED || header.Action == FILE_ACTION_MODIFIED ||
                                 header.Action == FILE_ACTION_RENAMED_NEW_NAME;
            // File names compare without case on Windows.
            if (written && ::CompareStringOrdinal(name.data(), static_cast<int>(name.size()), file_name_.data(),
                                                  static_cast<int>(file_name_.size()), TRUE) == CSTR_EQUAL) {
                mentioned = true;
            }
            if (header.NextEntryOffset == 0) break;
            at += header.NextEntryOffset;
        }
        return mentioned;
    }

    // Whether another program has the file open for writing still: it is
    // then not whole yet.
    bool StillWritten() const {
        const HANDLE file = ::CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
        ::CloseHandle(file);
        return false;
    }

    Handle folder_;
    Handle changed_;  // the read's completion, set until the next read starts
    Handle wake_;     // kept set until a wait ends on it
    std::filesystem::path file_;
    std::wstring file_name_;
    OVERLAPPED overlapped_{};
    bool reading_ = false;
    bool still_writing_ = false;  // the file changed but a writer has it open still
    bool lost_ = false;           // the folder is gone, and that was reported
    alignas(DWORD) unsigned char buffer_[16 * 1024];
};

}  // namespace

std::unique_ptr<FolderWatch> FolderWatch::Create(const std::string& path_text, std::string* error) {
    const std::filesystem::path path = strings::PathFromText(path_text);
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    const auto fail = [&](DWORD code) {
        if (error) {
            *error = "cannot follow the simulator state file " + path_text + ": " + strings::PathText(folder) + ": " +
                     strings::SystemErrorText(code);
        }
        return nullptr;
    };
    const HANDLE handle =
        ::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return fail(::GetLastError());
    auto watch = std::make_unique<DirectoryChangesWatch>(handle, path);
    DWORD code = 0;
    if (!watch->Start(code)) return fail(code);
    return watch;
}

}  // namespace qx7::sim
