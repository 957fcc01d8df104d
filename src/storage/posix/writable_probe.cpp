#include "storage/writable_probe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qx7::storage {

bool ProbeWritableFolder(const std::filesystem::path& folder, std::string* error) {
    const std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : folder;
    std::string pattern = (dir / ".qx7-probe-XXXXXX").string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    // Something written must fit too: a full disk takes the name but no data.
    const char byte = 0;
    const bool wrote = ::write(fd, &byte, 1) == 1;
    const int write_errno = errno;
    const bool closed = ::close(fd) == 0;
    const int close_errno = errno;
    if (::unlink(pattern.c_str()) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    if (!wrote || !closed) {
        if (error) *error = std::strerror(!wrote ? write_errno : close_errno);
        return false;
    }
    return true;
}

}  // namespace qx7::storage
