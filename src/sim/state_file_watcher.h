#pragma once
// Follows a session's state file while another process (a person with an
// editor, a script, a test) changes it: plugging or unplugging a drive there
// (`plugged`), or appending one, raises the same device events as
// SimBus::Plug and Unplug, so that a program watching for hot-plug reacts
// to the file as to real drives.
//
// It waits on a watch of the file's folder (FolderWatch): it sees the file
// written in place and a new file renamed over it (as the session itself,
// and most editors and scripts, write it). The session's own saves end a
// wait too, but give no events: their text is the session's own.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/folder_watch.h"
#include "transport/device_watcher.h"

namespace qx7::sim {

class SimSession;

class StateFileWatcher : public transport::DeviceWatcher {
public:
    // A watcher over `session`'s file; nullptr with *error when the session
    // has no file or the watch cannot be set up. It must not outlive the
    // session.
    static std::unique_ptr<StateFileWatcher> Create(SimSession& session, std::string* error);

    // Returns when the file's folder changed (or on Wake).
    bool WaitForChange(std::chrono::milliseconds timeout) override;
    void Wake() override;

    // Never blocks: drains the folder's events and, when the state file was
    // written or replaced, reloads the session from it. Gives, in drive
    // order, for each drive the file plugged (an appended plugged drive
    // included) or unplugged, the events SimBus::Plug or Unplug raises.
    // A refused reload gives none, keeps the session's drives and leaves a
    // problem to take.
    std::vector<transport::DeviceEvent> TakeEvents() override;

    // Why the latest reload was refused (a malformed file, a drive removed,
    // an unreadable file), once: empty when there is nothing new to report
    // or a later reload took the file. The owner checks it after TakeEvents
    // and shows it; the session keeps running on its drives meanwhile.
    std::string TakeProblem();

private:
    StateFileWatcher(SimSession& session, std::unique_ptr<FolderWatch> watch);

    SimSession& session_;
    std::unique_ptr<FolderWatch> watch_;

    std::mutex mutex_;  // TakeEvents and TakeProblem may run on different threads
    std::string problem_;
};

}  // namespace qx7::sim
