#include "storage/win32/win32_file.h"

#include <algorithm>
#include <cwchar>
#include <random>

namespace qx7::storage::win32 {

FileHandle::~FileHandle() {
    if (valid()) CloseHandle(handle_);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (valid()) CloseHandle(handle_);
        handle_ = other.Release();
    }
    return *this;
}

HANDLE FileHandle::Release() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
}

bool FileHandle::Close() {
    if (!valid()) return true;
    return CloseHandle(Release()) != 0;
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> data) {
    constexpr std::size_t kChunk = 1u << 20;
    while (!data.empty()) {
        const auto chunk = static_cast<DWORD>(std::min(data.size(), kChunk));
        DWORD written = 0;
        if (!WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) return false;
        data = data.subspan(written);
    }
    return true;
}

std::filesystem::path RandomSibling(const std::filesystem::path& sibling, const std::wstring& prefix) {
    static thread_local std::mt19937_64 generator{(static_cast<std::uint64_t>(std::random_device{}()) << 32) ^
                                                  std::random_device{}() ^ GetCurrentProcessId()};
    wchar_t digits[17];
    std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(generator()));
    return sibling.parent_path() / (prefix + digits);
}

OwnerOnlySecurity::OwnerOnlySecurity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool got = size != 0 && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    CloseHandle(token);
    if (!got) return;
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    if (!IsValidSid(sid)) return;

    acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid));
    auto* const acl = reinterpret_cast<ACL*>(acl_.data());
    // A protected DACL: the folder's inheritable entries are not added, so
    // the one entry here is all there is.
    ready_ = InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
             AddAccessAllowedAceEx(acl, ACL_REVISION, 0, FILE_ALL_ACCESS, sid) &&
             InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
             SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
}

}  // namespace qx7::storage::win32
