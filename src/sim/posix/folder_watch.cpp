#include "sim/folder_watch.h"

#include <errno.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <utility>

#include "storage/posix/file_descriptor.h"
#include "strings/path_text.h"

namespace qx7::sim {
namespace {

// A file written in place ends with its close; a replacement arrives by a
// rename. Watching for these two (and not every write) reads the file once
// it is whole.
constexpr std::uint32_t kFileWritten = IN_CLOSE_WRITE | IN_MOVED_TO;

class InotifyFolderWatch : public FolderWatch {
public:
    InotifyFolderWatch(storage::FileDescriptor inotify, std::string file_name)
        : inotify_(std::move(inotify)), file_name_(std::move(file_name)) {}

    bool WaitForChange(std::chrono::milliseconds timeout) override {
        return wake_.WaitReadable(inotify_.get(), timeout);
    }
    void Wake() override { wake_.Signal(); }

    Drained Drain() override {
        Drained drained;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(inotify_.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;  // EAGAIN: drained
            const auto length = static_cast<std::size_t>(got);
            std::size_t at = 0;
            while (at + sizeof(inotify_event) <= length) {
                inotify_event header;
                std::memcpy(&header, buffer + at, sizeof header);
                const std::size_t name_at = at + sizeof header;
                if (header.len > length - name_at) break;  // never past what was read
                // The name is zero-padded to its field's length.
                const char* name = buffer + name_at;
                const std::string_view event_name(name, ::strnlen(name, header.len));
                if ((header.mask & IN_Q_OVERFLOW) != 0) drained.file_written = true;
                if ((header.mask & kFileWritten) != 0 && event_name == file_name_) {
                    drained.file_written = true;
                }
                if ((header.mask & IN_IGNORED) != 0) drained.watch_lost = true;
                at = name_at + header.len;
            }
        }
        return drained;
    }

private:
    storage::FileDescriptor inotify_;
    storage::WakeChannel wake_;
    std::string file_name_;  // the file's name within the watched folder
};

}  // namespace

std::unique_ptr<FolderWatch> FolderWatch::Create(const std::string& path_text, std::string* error) {
    const auto fail = [&](const std::string& message) {
        if (error) *error = message;
        return nullptr;
    };
    const std::filesystem::path path = strings::PathFromText(path_text);
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";

    storage::FileDescriptor inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!inotify.valid()) {
        return fail("cannot follow the simulator state file: " + std::string(std::strerror(errno)));
    }
    if (::inotify_add_watch(inotify.get(), folder.c_str(), kFileWritten | IN_ONLYDIR) < 0) {
        return fail("cannot follow the simulator state file " + path_text + ": " + strings::PathText(folder) + ": " +
                    std::strerror(errno));
    }
    return std::make_unique<InotifyFolderWatch>(std::move(inotify), strings::PathText(path.filename()));
}

}  // namespace qx7::sim
