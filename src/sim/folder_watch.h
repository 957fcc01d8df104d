#pragma once
// Notice of one file being written in place or replaced (a new file renamed
// over it), by watching the folder that holds it: one implementation per
// system (sim/<api>/; inotify on Linux, ReadDirectoryChangesW on Windows).

#include <chrono>
#include <memory>
#include <string>

namespace qx7::sim {

class FolderWatch {
public:
    // What happened since the last Drain.
    struct Drained {
        bool file_written = false;  // the file was written or replaced (or the system lost track of events)
        bool watch_lost = false;    // the folder is gone: nothing more will be seen
    };

    // A watch over the folder of the file at `path` (UTF-8); nullptr with
    // *error (naming the file and the reason) when it cannot be set up.
    static std::unique_ptr<FolderWatch> Create(const std::string& path, std::string* error);

    virtual ~FolderWatch() = default;

    // Returns when something happened in the folder or on Wake; false only
    // when `timeout` passed. A wake is kept until a wait ends on it.
    virtual bool WaitForChange(std::chrono::milliseconds timeout) = 0;
    // Ends the wait in progress, or the next one. Safe from any thread, and
    // on Linux from a signal handler.
    virtual void Wake() = 0;
    // Never blocks: takes every pending notice.
    virtual Drained Drain() = 0;
};

}  // namespace qx7::sim
