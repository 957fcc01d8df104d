#include "storage/posix_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qx7::storage {
namespace {

// Makes the rename itself durable; a folder that cannot be synced still
// holds the complete file, so a failure here is not reported.
void SyncFolder(const std::filesystem::path& folder) {
    FileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
}

void SetError(std::string* error, const std::string& what, const std::filesystem::path& path) {
    if (error) *error = what + " " + path.string() + ": " + std::strerror(errno);
}

}  // namespace

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileDescriptor::Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
}

bool WriteAll(int fd, std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::size_t> ReadUpTo(int fd, std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> data,
                 std::string* error) {
    // The temporary name is short so that any name the target may have fits.
    std::string temp = (path.parent_path() / ".qx7-save-XXXXXX").string();
    FileDescriptor file(::mkostemp(temp.data(), O_CLOEXEC));
    if (!file.valid()) {
        SetError(error, "cannot create a temporary file for", path);
        return false;
    }
    bool ok = WriteAll(file.get(), data) && ::fsync(file.get()) == 0;
    ok = file.Close() && ok;
    if (!ok) SetError(error, "cannot write", temp);
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        SetError(error, "cannot replace", path);
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolder(path.parent_path());
    return true;
}

}  // namespace qx7::storage
