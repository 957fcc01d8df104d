// The file operations of storage/files.h on POSIX systems.

#include "storage/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "storage/posix/file_descriptor.h"

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

std::string WithErrno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> data, std::string* error) {
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

NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const std::uint8_t> data) {
    // O_EXCL: a file of the name is never replaced, whoever created it.
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!file.valid()) return errno == EEXIST ? NewFileResult::NameTaken : NewFileResult::CannotCreate;
    bool ok = WriteAll(file.get(), data) && ::fsync(file.get()) == 0;
    ok = file.Close() && ok;
    return ok ? NewFileResult::Written : NewFileResult::CannotWrite;
}

ReadableFile ReadableFile::OpenRegular(const std::filesystem::path& path, std::string* problem) {
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.valid()) {
        *problem = WithErrno("cannot be opened");
        return ReadableFile(-1, false);
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        *problem = WithErrno("cannot be examined");
        return ReadableFile(-1, false);
    }
    if (S_ISDIR(info.st_mode)) {
        *problem = "is a directory";
        return ReadableFile(-1, false);
    }
    if (!S_ISREG(info.st_mode)) {
        *problem = "is not a regular file";
        return ReadableFile(-1, false);
    }
    return ReadableFile(file.Release(), true);
}

ReadableFile ReadableFile::StandardInput() { return ReadableFile(STDIN_FILENO, false); }

ReadableFile::~ReadableFile() {
    if (owned_ && handle_ >= 0) ::close(static_cast<int>(handle_));
}

ReadableFile::ReadableFile(ReadableFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), owned_(std::exchange(other.owned_, false)) {}

ReadableFile& ReadableFile::operator=(ReadableFile&& other) noexcept {
    if (this != &other) {
        if (owned_ && handle_ >= 0) ::close(static_cast<int>(handle_));
        handle_ = std::exchange(other.handle_, -1);
        owned_ = std::exchange(other.owned_, false);
    }
    return *this;
}

bool ReadableFile::valid() const { return handle_ >= 0; }

std::optional<std::size_t> ReadableFile::Read(std::span<std::uint8_t> out, std::string* reason) {
    const std::optional<std::size_t> count = ReadUpTo(static_cast<int>(handle_), out);
    if (!count && reason) *reason = std::strerror(errno);
    return count;
}

}  // namespace qx7::storage
