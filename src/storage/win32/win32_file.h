#pragma once
// Win32 pieces of the file code in this folder: handles closed on every
// path, complete writes, unique names for temporary files, and the owner-only security of the files that hold
// secrets. Only code built for Windows includes this header.

#include <windows.h>
// windows.h names ReplaceFileA/W ReplaceFile by a macro, which would rename
// storage::ReplaceFile wherever both are seen.
#undef ReplaceFile

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace qx7::storage::win32 {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle& operator=(FileHandle&& other) noexcept;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE Release();
    // Closes now and reports whether the close succeeded.
    bool Close();

private:
    HANDLE handle_;
};

// Writes all of `data`.
bool WriteAll(HANDLE file, std::span<const std::uint8_t> data);

// "<prefix><16 random hex digits>" in the folder of `sibling` (the current
// folder when it has none).
std::filesystem::path RandomSibling(const std::filesystem::path& sibling, const std::wstring& prefix);

// A security descriptor whose protected DACL (no inherited entries) grants
// full access to the user of the process's token and to no one else: the
// Windows form of mode 0600. attributes() is null when it could not be
// built.
class OwnerOnlySecurity {
public:
    OwnerOnlySecurity();
    OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
    OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

    SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }

private:
    std::vector<std::uint8_t> user_;  // TOKEN_USER with its SID
    std::vector<std::uint8_t> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ready_ = false;
};

}  // namespace qx7::storage::win32
