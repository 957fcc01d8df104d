#pragma once
// The file operations the program's files are read and written with, each
// reporting every failure. The operating system's implementation lives in
// storage/<api>/ (storage/posix/ on Linux); CMake compiles the one of the
// target system.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace qx7::storage {

// Writes `data` to a new file (readable by its owner only) in the folder of
// `path`, flushes it to the disk and puts it in place of `path` in one step,
// so that a reader (or a crash) sees the old file or the new one, never a
// part. On failure the temporary file is removed, an earlier file at `path`
// is left as it was, and *error (when given) says what failed.
bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> data, std::string* error = nullptr);

enum class NewFileResult {
    Written,
    NameTaken,     // a file of that name exists; it is left untouched
    CannotCreate,  // any other reason the file could not be created
    CannotWrite,   // created, but not all of `data` reached the disk; the file is kept
};

// Creates `path` (readable by its owner only), which must not exist yet (a
// file of that name, even one another process creates meanwhile, is never
// replaced), writes all of `data` and flushes it to the disk.
NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const std::uint8_t> data);

// A file open for reading: a regular file or the standard input.
class ReadableFile {
public:
    // `path` opened for reading when it is a regular file. Otherwise not
    // valid, and *problem says why ("is a directory", "is not a regular
    // file", "cannot be opened: …"). Opening never waits (as it could for
    // a FIFO without a writer), and the type is checked on the open file
    // itself, so a name swapped after a check cannot slip through.
    static ReadableFile OpenRegular(const std::filesystem::path& path, std::string* problem);
    // The process's standard input (left open when this object ends).
    static ReadableFile StandardInput();

    ~ReadableFile();
    ReadableFile(ReadableFile&& other) noexcept;
    ReadableFile& operator=(ReadableFile&& other) noexcept;
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    bool valid() const;
    // Reads until `out` is full or the file ends, and nothing more, so that
    // a one-byte read leaves the rest of the standard input to others. The
    // count read; nothing on a read error, with the system's reason in
    // *reason.
    std::optional<std::size_t> Read(std::span<std::uint8_t> out, std::string* reason);

private:
    ReadableFile(std::intptr_t handle, bool owned) : handle_(handle), owned_(owned) {}

    std::intptr_t handle_ = -1;  // the system's handle of the open file (POSIX: the descriptor)
    bool owned_ = false;         // closed when this object ends
};

}  // namespace qx7::storage
