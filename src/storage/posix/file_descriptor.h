#pragma once
// POSIX descriptors for the code that runs only where they exist (this
// folder, the Linux back end, the simulator's state-file watcher): a
// descriptor closed on every path, complete writes and reads, and a wait on
// a descriptor that another thread or a signal handler can end.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace qx7::storage {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now and reports whether the close succeeded (a delayed write
    // error can show up only here).
    bool Close();

private:
    int fd_;
};

// Writes all of `data`, retrying interrupted and partial writes.
bool WriteAll(int fd, std::span<const std::uint8_t> data);

// Reads until `out` is full or the file ends; the count read, or nothing on
// a read error.
std::optional<std::size_t> ReadUpTo(int fd, std::span<std::uint8_t> out);

// A wake-up that stays set until a wait ends on it (an eventfd). Signal()
// is async-signal-safe.
class WakeChannel {
public:
    WakeChannel();
    // False when the system gave no eventfd; Signal() then does nothing and
    // waits end only by their descriptor or their timeout.
    bool valid() const { return fd_.valid(); }
    void Signal();

    // Waits until `fd` is readable, the channel was signalled, or `timeout`
    // passed; false only when the time ran out. A signal that ended the wait
    // is cleared; `fd` is not read. A negative `fd` is not waited on.
    bool WaitReadable(int fd, std::chrono::milliseconds timeout);

private:
    FileDescriptor fd_;
};

}  // namespace qx7::storage
