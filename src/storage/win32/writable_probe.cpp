#include "storage/writable_probe.h"

#include "storage/win32/win32_file.h"
#include "strings/win32/wide_text.h"

namespace qx7::storage {

bool ProbeWritableFolder(const std::filesystem::path& folder, std::string* error) {
    const std::filesystem::path dir = folder.empty() ? std::filesystem::path(L".") : folder;
    win32::FileHandle file(INVALID_HANDLE_VALUE);
    std::filesystem::path probe;
    DWORD create_error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 16 && !file.valid() && create_error == ERROR_FILE_EXISTS; ++attempt) {
        probe = win32::RandomSibling(dir / L"probe", L".qx7-probe-");
        file = win32::FileHandle(
            CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) create_error = GetLastError();
    }
    if (!file.valid()) {
        if (error) *error = strings::SystemErrorText(create_error);
        return false;
    }
    // Something written must fit too: a full disk takes the name but no data.
    const char byte = 0;
    DWORD written = 0;
    const bool wrote = WriteFile(file.get(), &byte, 1, &written, nullptr) && written == 1;
    const DWORD write_error = GetLastError();
    const bool closed = file.Close();
    const DWORD close_error = GetLastError();
    if (!DeleteFileW(probe.c_str())) {
        if (error) *error = strings::SystemErrorText(GetLastError());
        return false;
    }
    if (!wrote || !closed) {
        if (error) *error = strings::SystemErrorText(!wrote ? write_error : close_error);
        return false;
    }
    return true;
}

}  // namespace qx7::storage
