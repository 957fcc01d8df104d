#pragma once
// Provisioning: one configuration file applied to drives as the window
// applies it to the drive it shows: read the drive, import the file, type
// the current administrator password, upload, save the file of the drive.
// One drive or many, at once or one after the other, every drive goes
// through ProvisionDrive, so every drive receives the same commands.
//
// Each drive gets a window logic (Configurator) of its own, over the one
// drive table of a shared scan, with its own host; drives run on worker
// threads and share nothing but the device enumerator (which must be safe to
// use from several threads) and the plan. Waits therefore overlap.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/read_back.h"
#include "app/scripted_host.h"
#include "editor/settings_difference.h"
#include "storage/config_file.h"
#include "storage/operation_log.h"
#include "strings/string_table.h"
#include "transport/device_enumerator.h"
#include "transport/discovery.h"

namespace qx7::app {

// The names of the files a run saved automatically: a drive whose serial
// number an earlier drive of the run had gets the next free counter
// ("QX7...-2.qx7"), so that it does not replace that drive's file. Safe to
// use from the run's threads.
class SavedFileNames {
public:
    std::filesystem::path Claim(const std::filesystem::path& wanted);

private:
    std::mutex mutex_;
    std::set<std::filesystem::path> claimed_;
};

// What every drive of a run receives, checked before the first drive is
// touched.
struct ProvisioningPlan {
    storage::ConfigFilePayload payload;
    std::u16string password;       // the drives' current administrator password
    std::filesystem::path folder;  // of the automatically saved files
    bool auto_save = true;
    strings::Language language = strings::Language::English;
    std::tm local_time{};    // the run's start: the new setup ID's time
    bool real_waits = true;  // the drive's pauses really pass (a real drive needs them)
    // Shared by every drive of the run (and by copies of the plan).
    std::shared_ptr<SavedFileNames> saved_names = std::make_shared<SavedFileNames>();
    // After the upload and its pause, read the drive again and compare what
    // it holds with what was sent.
    bool verify = true;
    // Read each drive and say what the upload would change; write nothing.
    bool dry_run = false;
};

// Where a drive is.
enum class DriveStep { Reading, Importing, Uploading, Verifying, Finished };

enum class DriveResult {
    Configured,
    Failed,       // read, refused, or the form refused the file for this drive
    Skipped,      // the run did not want this drive (configured earlier)
    Interrupted,  // the run was stopped before the drive's upload began; nothing was written
    Previewed,    // a dry run read the drive and found what the upload would change; nothing was written
};

std::string_view DriveStepName(DriveStep step);        // "reading", ...
std::string_view DriveResultName(DriveResult result);  // "configured", ...

struct DriveOutcome {
    // This try of the drive, unique in the process: the outcome given when
    // the drive accepted its write and the drive's final one share it, so a
    // record of the first can be replaced by the second.
    std::uint64_t attempt = 0;
    // The drive's 0-based place in the drive table: the drive list prints it
    // + 1 as the line's number, which is what a user names with --drive.
    std::size_t line = 0;
    bool listed = true;                // false: a drive found that the list does not show (`line` means nothing)
    std::u16string serial;             // from the drive's identity; empty when it gave none
    std::u16string previous_setup_id;  // as read from the drive, empty when not read
    std::u16string new_setup_id;       // what the upload carried; empty when nothing was sent
    DriveResult result = DriveResult::Failed;
    std::u16string error;   // a failed drive: every message shown about it, joined by "; "
    bool warnings = false;  // configured, with messages shown meanwhile
    // Configured, but the drive keeps something other than the file asked
    // for (Centrawatch stays on once on): one text each.
    std::vector<std::u16string> kept;
    // The read-back after the upload, and where it found the drive holding
    // something else: `before` what was sent, `after` what the drive holds.
    Verification verification = Verification::NotDone;
    std::vector<editor::FieldChange> mismatches;
    // A dry run: what the upload would change, `before` the drive's value
    // now, `after` the one it would get.
    std::vector<editor::FieldChange> changes;
    std::optional<std::filesystem::path> saved_file;
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point finished;
    // Configured: the drive accepted the write and is still in the pause in
    // which it stores the settings; `finished` is when it accepted.
    bool storing = false;
};

// What a run needs per drive: the host the drive's window logic talks to and
// where its progress goes. Made per drive and used on that drive's worker
// thread only.
class DriveContext {
public:
    virtual ~DriveContext() = default;
    virtual ScriptedHost& host() = 0;
    virtual void OnStep(DriveStep /*step*/) {}
    // The drive has been read: its serial number (empty when it did not
    // identify itself) and the reading's diagnostic lines.
    virtual void OnRead(std::u16string_view /*serial*/, std::string_view /*diagnostics*/) {}
    // Whether the drive is to be configured, asked once it has been read.
    virtual bool Wanted(std::u16string_view /*serial*/) { return true; }
    // The drive accepted the write, its serial number is in the log's list
    // and its file saved: `outcome` is the drive's as it stands (configured,
    // `storing`), before the pause in which the drive stores the settings.
    // Recording it here keeps the drive on record whatever ends the process
    // during that pause; the final outcome (same `attempt`) follows.
    virtual void OnWritten(const DriveOutcome& /*outcome*/) {}
};
// Called with the drive's 0-based table position (as DriveOutcome::line).
using DriveContextFactory = std::function<std::unique_ptr<DriveContext>(std::size_t position)>;

// Set from outside (Ctrl+C) to stop a run: a drive not yet uploading is
// left alone; one uploading finishes.
using StopFlag = std::atomic<bool>;

// Configures line `line` of `table`. Nothing is sent when `stop` is set
// before it starts; after the read, a set `stop` or an unwanted drive ends it
// before the upload.
DriveOutcome ProvisionDrive(const ProvisioningPlan& plan, transport::DeviceEnumerator& devices,
                            const transport::DriveTable& table, std::size_t line, DriveContext& context,
                            const StopFlag* stop = nullptr);

// The outcome of a drive whose configuration ended in an exception: a
// failure of that drive alone, the exception's text as its message.
DriveOutcome FailureByException(std::size_t position, const std::exception& error);

// A drive the scan found but could not list: failed, `reason` its message,
// nothing sent to it.
DriveOutcome UnlistedOutcome(const transport::UnlistedDrive& drive, std::u16string reason);

// Called with each drive's outcome as it finishes, on its worker thread, one
// call at a time.
using OutcomeHandler = std::function<void(const DriveOutcome&)>;

// Drives configured at once at most: the work is waiting on drives, not
// processor time, so a run starts every drive it has up to this bound.
inline constexpr std::size_t kMaxJobs = 256;

// The jobs of a run of `drives` drives when none were asked for: all of
// them, at least one, at most kMaxJobs.
std::size_t DefaultJobs(std::size_t drives);

// Configures `lines` of `table` on up to `jobs` worker threads (at least
// one). The outcomes come back in the order of `lines`.
std::vector<DriveOutcome> ProvisionDrives(const ProvisioningPlan& plan, transport::DeviceEnumerator& devices,
                                          const transport::DriveTable& table, const std::vector<std::size_t>& lines,
                                          std::size_t jobs, const DriveContextFactory& contexts,
                                          const OutcomeHandler& finished, const StopFlag* stop = nullptr);

// The operation log of a run: each configured drive's entries once, in the
// order of `outcomes`.
storage::UploadedSerials LogOfRun(const std::vector<DriveOutcome>& outcomes);

}  // namespace qx7::app
