#pragma once
// A set of simulated drives, usually backed by a state file: the drives'
// flash is the file, the firmware's volatile state lives here for the
// session's lifetime, and ScsiDevices opened on a drive run their commands
// through the firmware model.

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sim/firmware.h"
#include "sim/sim_drive.h"
#include "transport/scsi_device.h"

namespace qx7::sim {

// What waits out a drive's latency; the real clock unless a test sets another.
using Sleeper = std::function<void(std::chrono::milliseconds)>;

// A state file is a few kilobytes per drive; anything far larger is refused
// before it is parsed.
inline constexpr std::size_t kMaxStateFileBytes = 4 * 1024 * 1024;

class SimSession {
public:
    // Loads `path` (UTF-8). A missing file is created (with its folder) holding one
    // DefaultDrive(0). A malformed or unreadable file, one that is not a
    // regular file or one larger than kMaxStateFileBytes gives nullptr and
    // *error names the file and the problem; the file is not touched.
    static std::unique_ptr<SimSession> Load(const std::string& path, std::string* error);

    // A session without a file, for tests. `random` keys the channels
    // (a fixed source makes channel keys and token indexes repeatable).
    explicit SimSession(SimState state, RandomSource random = SystemRandom);
    ~SimSession();
    SimSession(const SimSession&) = delete;
    SimSession& operator=(const SimSession&) = delete;

    // The drives. Change them only while no command runs on another thread
    // (else through Edit).
    SimState& state();

    // Changes the drives while commands may run on other threads: runs
    // `change` under the session's lock, then, with a file, rewrites the
    // file (atomically) when the drives changed. When the file cannot be
    // written, the drives are put back as they were and false is returned
    // with *error saying why. A drive keeps its index (drives are appended,
    // not removed or reordered); a drive that `change` unplugs loses its
    // firmware's volatile state, as a real drive loses power. `change` must
    // not call the session.
    bool Edit(const std::function<void(SimState&)>& change, std::string* error);

    // A copy of the drives, taken under the session's lock.
    SimState Snapshot() const;

    // The drives before and after a Reload that changed them.
    struct StateChange {
        SimState before;
        SimState after;
    };

    // Takes up what another process wrote to the state file: reads it (with
    // Load's checks) and, when its text differs from what the session last
    // wrote or read, makes it the drives, under the session's lock as Edit
    // does. A drive keeps its index; one that the file unplugs loses its
    // firmware's volatile state. A file that cannot be read, is malformed or
    // holds fewer drives than the session is refused: false, *error names
    // the file and the problem, and the drives stay as they were. True
    // otherwise; *change (when given) then holds the drives before and after
    // when they changed, else nothing. Without a file, true and no change.
    bool Reload(std::string* error, std::optional<StateChange>* change = nullptr);

    // A ScsiDevice talking to drive `index`; nullptr when there is no such
    // drive or it is unplugged. Commands on a drive that has been unplugged
    // since fail as I/O errors. The device must not outlive the session.
    // Every command runs the drive's injected faults first (a matching one
    // fails the command without the firmware seeing it), then the firmware;
    // with a file, the file is then rewritten (atomically) whenever the
    // drive's persistent state changed. A command whose new state cannot be
    // written fails as an I/O error; the change stays in memory.
    //
    // A drive with a latency_ms first waits that long, without holding the
    // session's lock, so that commands to other drives run meanwhile.
    std::unique_ptr<transport::ScsiDevice> Open(std::size_t index);

    // Replaces what waits out the drives' latencies (for tests).
    void SetSleeper(Sleeper sleeper);

    // The firmware's volatile state of drive `index` (channel key, token
    // indexes, pending pre-command, last error), shared by all devices open
    // on it. For tests that need a known channel.
    FirmwareRuntime& runtime(std::size_t index);

    // Writes the state file now (atomically: a temporary file in the same
    // folder, then a rename). True without a file. On failure *error says why.
    bool Save(std::string* error);

    // The state file, empty for an in-memory session.
    const std::string& path() const { return path_; }

private:
    class Device;
    transport::ScsiResult Execute(std::size_t index, const transport::ScsiRequest& request);
    bool SaveLocked(bool only_if_changed, std::string* error);
    void PowerOffUnplugged(const SimState& before);

    mutable std::mutex mutex_;
    SimState state_;
    std::deque<FirmwareRuntime> runtimes_;  // by drive index; grows with state_.drives
    std::string path_;
    // What the file holds as far as the session knows (its last write or
    // read), to skip rewriting the same text and to tell another writer's
    // text from its own.
    std::string saved_text_;
    RandomSource random_;
    Sleeper sleeper_;
};

}  // namespace qx7::sim
