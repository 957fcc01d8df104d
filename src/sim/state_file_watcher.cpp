#include "sim/state_file_watcher.h"

#include <cstddef>
#include <optional>
#include <utility>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"

namespace qx7::sim {

std::unique_ptr<StateFileWatcher> StateFileWatcher::Create(SimSession& session, std::string* error) {
    if (session.path().empty()) {
        if (error) *error = "the simulated drives have no state file to follow";
        return nullptr;
    }
    std::unique_ptr<FolderWatch> watch = FolderWatch::Create(session.path(), error);
    if (!watch) return nullptr;
    return std::unique_ptr<StateFileWatcher>(new StateFileWatcher(session, std::move(watch)));
}

StateFileWatcher::StateFileWatcher(SimSession& session, std::unique_ptr<FolderWatch> watch)
    : session_(session), watch_(std::move(watch)) {}

bool StateFileWatcher::WaitForChange(std::chrono::milliseconds timeout) { return watch_->WaitForChange(timeout); }

void StateFileWatcher::Wake() { watch_->Wake(); }

std::vector<transport::DeviceEvent> StateFileWatcher::TakeEvents() {
    std::vector<transport::DeviceEvent> events;
    const FolderWatch::Drained drained = watch_->Drain();
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
