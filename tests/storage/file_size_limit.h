#pragma once
// Makes writes fail in a way that running as root cannot bypass: while an
// object of this class lives, the process may not grow a file past `bytes`
// (RLIMIT_FSIZE), and the write that would do so fails with EFBIG instead
// of raising SIGXFSZ. Keep the scope to the one call under test: the limit
// applies to every file the process writes, test output included. Windows
// has no such limit: there the object is never active.

#include <cstdint>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace qx7::test {

class FileSizeLimit {
public:
#ifndef _WIN32
    explicit FileSizeLimit(std::uint64_t bytes) {
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        if (::getrlimit(RLIMIT_FSIZE, &previous_) != 0) return;
        rlimit limited = previous_;
        limited.rlim_cur = static_cast<rlim_t>(bytes);
        active_ = (previous_.rlim_max == RLIM_INFINITY || previous_.rlim_max >= bytes) &&
                  ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        if (active_) ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previous_handler_);
    }
#else
    explicit FileSizeLimit(std::uint64_t) {}
#endif
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // False when the limit could not be set; the test should then be
    // skipped, saying why().
    bool active() const { return active_; }
    const char* why() const {
#ifdef _WIN32
        return "Windows has no limit on the size of the files a process writes (RLIMIT_FSIZE)";
#else
        return "cannot limit the file size (RLIMIT_FSIZE)";
#endif
    }

private:
#ifndef _WIN32
    rlimit previous_{};
    void (*previous_handler_)(int) = SIG_DFL;
#endif
    bool active_ = false;
};

}  // namespace qx7::test
