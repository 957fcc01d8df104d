#include "sim/state_file_watcher.h"

#include <errno.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"

namespace qx7::sim {
namespace {

// A file written in place ends with its close; a replacement arrives by a
// rename. Watching for these two (and not every write) reads the file once
// it is whole.
constexpr std::uint32_t kFileWritten = IN_CLOSE_WRITE | IN_MOVED_TO;

}  // namespace

std::unique_ptr<StateFileWatcher> StateFileWatcher::Create(SimSession& session, std::string* error) {
    const auto fail = [&](const std::string& message) {
        if (error) *error = message;
        return nullptr;
    };
    if (session.path().empty()) return fail("the simulated drives have no state file to follow");
    const std::filesystem::path path(session.path());
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";

    storage::FileDescriptor inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!inotify.valid()) {
        return fail("cannot follow the simulator state file: " + std::string(std::strerror(errno)));
    }
    if (::inotify_add_watch(inotify.get(), folder.c_str(), kFileWritten | IN_ONLYDIR) < 0) {
        return fail("cannot follow the simulator state file " + session.path() + ": " + folder.string() + ": " +
                    std::strerror(errno));
    }
    return std::unique_ptr<StateFileWatcher>(
        new StateFileWatcher(session, std::move(inotify), path.filename().string()));
}

StateFileWatcher::StateFileWatcher(SimSession& session, storage::FileDescriptor inotify, std::string file_name)
    : session_(session), inotify_(std::move(inotify)), file_name_(std::move(file_name)) {}

bool StateFileWatcher::WaitForChange(std::chrono::milliseconds timeout) {
    return wake_.WaitReadable(inotify_.get(), timeout);
}

StateFileWatcher::Drained StateFileWatcher::DrainFileEvents() {
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

std::vector<transport::DeviceEvent> StateFileWatcher::TakeEvents() {
    std::vector<transport::DeviceEvent> events;
    const Drained drained = DrainFileEvents();
    if (drained.watch_lost) {
        std::lock_guard lock(mutex_);
        problem_ = "simulator state file " + session_.path() +
                   ": its folder is gone; changes to the file are no longer followed";
        return events;
    }
    if (!drained.file_written) return events;

    std::string error;
    std::optional<SimSession::StateChange> change;
    const bool reloaded = session_.Reload(&error, &change);
    {
        std::lock_guard lock(mutex_);
        if (!reloaded) {
            problem_ = std::move(error);
            return events;
        }
        problem_.clear();
    }
    if (!change) return events;

    const std::vector<SimDrive>& before = change->before.drives;
    const std::vector<SimDrive>& after = change->after.drives;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const bool was_plugged = i < before.size() && before[i].plugged;
        if (was_plugged == after[i].plugged) continue;
        const SimDrive& drive = after[i].plugged ? after[i] : before[i];
        const std::vector<transport::DeviceEvent> plug = PlugEvents(drive, after[i].plugged);
        events.insert(events.end(), plug.begin(), plug.end());
    }
    return events;
}

std::string StateFileWatcher::TakeProblem() {
    std::lock_guard lock(mutex_);
    return std::exchange(problem_, {});
}

}  // namespace qx7::sim
