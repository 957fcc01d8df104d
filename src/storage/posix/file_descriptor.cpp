#include "storage/posix/file_descriptor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace qx7::storage {

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

WakeChannel::WakeChannel() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

void WakeChannel::Signal() {
    if (!fd_.valid()) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd_.get(), &one, sizeof one);
}

bool WakeChannel::WaitReadable(int fd, std::chrono::milliseconds timeout) {
    pollfd fds[2];
    nfds_t count = 0;
    if (fd >= 0) fds[count++] = {fd, POLLIN, 0};
    if (fd_.valid()) fds[count++] = {fd_.get(), POLLIN, 0};
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, 0x7fffffff);
    const int ready = ::poll(fds, count, static_cast<int>(ms));
    if (ready <= 0) return ready < 0 && errno == EINTR;  // a signal ends the wait as a wake does
    if (fd_.valid() && (fds[count - 1].revents & POLLIN) != 0) {
        std::uint64_t value = 0;
        [[maybe_unused]] const ssize_t got = ::read(fd_.get(), &value, sizeof value);
    }
    return true;
}

}  // namespace qx7::storage
