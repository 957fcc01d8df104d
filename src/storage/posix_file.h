#pragma once
// File primitives that report every failure: a descriptor closed on every
// path, complete writes and reads, and replacing a file so that a reader
// (or a crash) sees the old file or the new one, never a part.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

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

// Writes `data` to a new file (readable by its owner only) in the folder of
// `path`, flushes it to the disk and renames it over `path`. On failure the
// temporary file is removed, an earlier file at `path` is left as it was,
// and *error (when given) says what failed.
bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> data,
                 std::string* error = nullptr);

}  // namespace qx7::storage
