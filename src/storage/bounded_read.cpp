#include "storage/bounded_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "storage/posix_file.h"

namespace qx7::storage {
namespace {

BoundedRead Refused(std::string problem) { return {false, {}, std::move(problem)}; }

std::string WithErrno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Opens `path` for reading when it is a regular file. O_NONBLOCK keeps the
// open of a FIFO from waiting for a writer; the type is then checked on the
// descriptor itself, so a name swapped after a check cannot slip through.
FileDescriptor OpenRegular(const std::filesystem::path& path, std::string* problem) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.valid()) {
        *problem = WithErrno("cannot be opened");
        return file;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        *problem = WithErrno("cannot be examined");
        return FileDescriptor(-1);
    }
    if (S_ISDIR(info.st_mode)) {
        *problem = "is a directory";
        return FileDescriptor(-1);
    }
    if (!S_ISREG(info.st_mode)) {
        *problem = "is not a regular file";
        return FileDescriptor(-1);
    }
    return file;
}

}  // namespace

BoundedRead ReadSmallFile(const std::filesystem::path& path, std::size_t max_bytes) {
    std::string problem;
    FileDescriptor file = OpenRegular(path, &problem);
    if (!file.valid()) return Refused(problem);
    // One byte more than allowed tells a file that is too large from one
    // that is exactly at the bound, whatever size the folder reports.
    std::vector<std::uint8_t> buffer(max_bytes + 1);
    const std::optional<std::size_t> count = ReadUpTo(file.get(), buffer);
    if (!count) return Refused(WithErrno("cannot be read"));
    if (*count > max_bytes) return Refused("is larger than " + std::to_string(max_bytes) + " bytes");
    return {true, std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(*count)), {}};
}

BoundedRead ReadFirstLine(const std::filesystem::path& path, std::size_t max_bytes) {
    FileDescriptor opened(-1);
    int fd = STDIN_FILENO;
    if (path != "-") {
        std::string problem;
        opened = OpenRegular(path, &problem);
        if (!opened.valid()) return Refused(problem);
        fd = opened.get();
    }
    // The line, its "\r" and its "\n" at most; read a byte at a time so that
    // standard input keeps what follows the line.
    const std::size_t limit = max_bytes + 2;
    std::string line;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Refused(WithErrno("cannot be read"));
        if (n == 0 || c == '\n') break;
        line.push_back(c);
        if (line.size() >= limit) break;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > max_bytes) {
        return Refused("has a first line longer than " + std::to_string(max_bytes) + " bytes");
    }
    return {true, std::move(line), {}};
}

}  // namespace qx7::storage
