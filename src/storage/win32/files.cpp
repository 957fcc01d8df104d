// The file operations of storage/files.h on Windows (Win32).

#include "storage/files.h"

#include <algorithm>
#include <utility>

#include "storage/win32/win32_file.h"
#include "strings/win32/wide_text.h"

namespace qx7::storage {
namespace {

using strings::SystemErrorText;
using win32::FileHandle;

void SetError(std::string* error, const std::string& what, const std::filesystem::path& path, DWORD code) {
    if (error) *error = what + " " + strings::Utf8FromWide(path.native()) + ": " + SystemErrorText(code);
}

// Tries a few random names: another program may have taken one.
constexpr int kTemporaryNameTries = 16;

constexpr std::intptr_t kNoHandle = -1;  // INVALID_HANDLE_VALUE

// Names in the Win32 device namespace ("\\.\PhysicalDrive1", "\\.\C:",
// "\\.\pipe\x") are never files; they are refused before anything is
// opened, so that no device is touched.
bool IsDeviceNamespace(const std::filesystem::path& path) {
    const std::wstring& name = path.native();
    return name.size() >= 4 && (name[0] == L'\\' || name[0] == L'/') && (name[1] == L'\\' || name[1] == L'/') &&
           name[2] == L'.' && (name[3] == L'\\' || name[3] == L'/');
}

}  // namespace

bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> data, std::string* error) {
    win32::OwnerOnlySecurity security;
    if (security.attributes() == nullptr) {
        SetError(error, "cannot set up owner-only access for", path, GetLastError());
        return false;
    }
    // The temporary name is short so that any name the target may have fits.
    std::filesystem::path temp;
    FileHandle file(INVALID_HANDLE_VALUE);
    DWORD create_error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kTemporaryNameTries && !file.valid() && create_error == ERROR_FILE_EXISTS;
         ++attempt) {
        temp = win32::RandomSibling(path, L".qx7-save-");
        file = FileHandle(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, security.attributes(), CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
        if (!file.valid()) create_error = GetLastError();
    }
    if (!file.valid()) {
        SetError(error, "cannot create a temporary file for", path, create_error);
        return false;
    }
    bool ok = win32::WriteAll(file.get(), data) && FlushFileBuffers(file.get());
    DWORD code = ok ? ERROR_SUCCESS : GetLastError();
    if (!file.Close() && ok) {
        ok = false;
        code = GetLastError();
    }
    if (!ok) SetError(error, "cannot write", temp, code);
    if (ok && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        SetError(error, "cannot replace", path, GetLastError());
    }
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const std::uint8_t> data) {
    win32::OwnerOnlySecurity security;
    if (security.attributes() == nullptr) return NewFileResult::CannotCreate;
    // CREATE_NEW: a file of the name is never replaced, whoever created it.
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, security.attributes(), CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file.valid()) {
        const DWORD code = GetLastError();
        return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? NewFileResult::NameTaken
                                                                         : NewFileResult::CannotCreate;
    }
    bool ok = win32::WriteAll(file.get(), data) && FlushFileBuffers(file.get());
    ok = file.Close() && ok;
    return ok ? NewFileResult::Written : NewFileResult::CannotWrite;
}

ReadableFile ReadableFile::OpenRegular(const std::filesystem::path& path, std::string* problem) {
    if (IsDeviceNamespace(path)) {
        *problem = "is not a regular file";
        return ReadableFile(kNoHandle, false);
    }
    // FILE_FLAG_BACKUP_SEMANTICS opens a folder too, so that it is named as
    // one instead of failing with "access denied". Opening never waits: a
    // busy pipe fails at once.
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) {
        *problem = "cannot be opened: " + SystemErrorText(GetLastError());
        return ReadableFile(kNoHandle, false);
    }
    // The type of the open handle: consoles, NUL and pipes are not disk
    // files, whatever their name.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        *problem = "is not a regular file";
        return ReadableFile(kNoHandle, false);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info)) {
        *problem = "cannot be examined: " + SystemErrorText(GetLastError());
        return ReadableFile(kNoHandle, false);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *problem = "is a directory";
        return ReadableFile(kNoHandle, false);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        *problem = "is not a regular file";
        return ReadableFile(kNoHandle, false);
    }
    return ReadableFile(reinterpret_cast<std::intptr_t>(file.Release()), true);
}

ReadableFile ReadableFile::StandardInput() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    return ReadableFile(input == nullptr ? kNoHandle : reinterpret_cast<std::intptr_t>(input), false);
}

ReadableFile::~ReadableFile() {
    if (owned_ && valid()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

ReadableFile::ReadableFile(ReadableFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)), owned_(std::exchange(other.owned_, false)) {}

ReadableFile& ReadableFile::operator=(ReadableFile&& other) noexcept {
    if (this != &other) {
        if (owned_ && valid()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
        handle_ = std::exchange(other.handle_, kNoHandle);
        owned_ = std::exchange(other.owned_, false);
    }
    return *this;
}

bool ReadableFile::valid() const { return handle_ != kNoHandle && handle_ != 0; }

std::optional<std::size_t> ReadableFile::Read(std::span<std::uint8_t> out, std::string* reason) {
    const auto handle = reinterpret_cast<HANDLE>(handle_);
    std::size_t total = 0;
    while (total < out.size()) {
        const auto want = static_cast<DWORD>(std::min<std::size_t>(out.size() - total, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(handle, out.data() + total, want, &got, nullptr)) {
            const DWORD code = GetLastError();
            // A pipe whose writer has gone has ended, like a file.
            if (code == ERROR_BROKEN_PIPE) break;
            if (reason) *reason = SystemErrorText(code);
            return std::nullopt;
        }
        if (got == 0) break;
        total += got;
    }
    return total;
}

}  // namespace qx7::storage
