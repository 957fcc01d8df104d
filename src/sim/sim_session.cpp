#include "sim/sim_session.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <thread>
#include <utility>

#include "sim/state_file.h"
#include "storage/bounded_read.h"
#include "storage/files.h"
#include "strings/path_text.h"

namespace qx7::sim {
namespace {

// The first active fault of `drive` matching the command's first bytes:
// spends one of its uses and gives the failure it stands for. Spending a
// use changes the drive's persistent state (a count of 1 or more goes down).
std::optional<FirmwareOutcome> TakeFault(SimDrive& drive, const transport::ScsiRequest& request) {
    for (SimFault& fault : drive.faults) {
        if (fault.count == 0 || fault.cdb_prefix.size() > request.cdb_length) continue;
        if (!std::equal(fault.cdb_prefix.begin(), fault.cdb_prefix.end(), request.cdb.begin())) {
            continue;
        }
        const bool spent = fault.count > 0;
        if (spent) --fault.count;
        if (fault.mode == SimFault::Mode::Io) return FirmwareOutcome{{false, 0, 0}, spent};
        return FirmwareOutcome{{true, 2, 0}, spent};
    }
    return std::nullopt;
}

// Writes `text` to a new file beside `path` and renames it over `path`, so
// a reader sees the old file or the new one, never a part.
bool WriteAtomically(const std::string& path, const std::string& text, std::string* error) {
    return storage::ReplaceFile(strings::PathFromText(path),
                                std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), error);
}

}  // namespace

class SimSession::Device : public transport::ScsiDevice {
public:
    Device(SimSession& session, std::size_t index) : session_(session), index_(index) {}
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override {
        return session_.Execute(index_, request);
    }

private:
    SimSession& session_;
    std::size_t index_;
};

std::unique_ptr<SimSession> SimSession::Load(const std::string& path, std::string* error) {
    const auto fail = [&](const std::string& message) {
        if (error) *error = "simulator state file " + path + ": " + message;
        return nullptr;
    };
    std::error_code ec;
    const bool exists = std::filesystem::exists(strings::PathFromText(path), ec);
    if (ec) return fail(ec.message());

    if (!exists) {
        const std::filesystem::path folder = strings::PathFromText(path).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder, ec);
        if (ec) return fail("cannot create its folder: " + ec.message());
        auto session = std::make_unique<SimSession>(SimState{{DefaultDrive(0)}});
        session->path_ = path;
        std::string save_error;
        if (!session->Save(&save_error)) return fail(save_error);
        return session;
    }

    storage::BoundedRead text = storage::ReadSmallFile(strings::PathFromText(path), kMaxStateFileBytes);
    if (!text.ok) return fail(text.problem);
    std::string problem;
    std::optional<SimState> state = ParseStateFile(text.bytes, &problem);
    if (!state) return fail(problem);
    const RandomSource random = state->random_seed ? SeededRandom(*state->random_seed) : RandomSource(SystemRandom);
    auto session = std::make_unique<SimSession>(std::move(*state), random);
    session->path_ = path;
    session->saved_text_ = std::move(text.bytes);
    return session;
}

SimSession::SimSession(SimState state, RandomSource random)
    : state_(std::move(state)),
      random_(std::move(random)),
      sleeper_([](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); }) {}

SimSession::~SimSession() = default;

SimState& SimSession::state() { return state_; }

bool SimSession::Edit(const std::function<void(SimState&)>& change, std::string* error) {
    std::lock_guard lock(mutex_);
    SimState before = state_;
    change(state_);
    if (!SaveLocked(/*only_if_changed=*/true, error)) {
        state_ = std::move(before);
        return false;
    }
    PowerOffUnplugged(before);
    return true;
}

bool SimSession::Reload(std::string* error, std::optional<StateChange>* change) {
    if (change) change->reset();
    if (path_.empty()) return true;
    const auto fail = [&](const std::string& message) {
        if (error) *error = "simulator state file " + path_ + ": " + message;
        return false;
    };
    // Read and compared under the lock, so that a save of the session's own
    // cannot come between and be mistaken for another writer's text.
    std::lock_guard lock(mutex_);
    storage::BoundedRead text = storage::ReadSmallFile(strings::PathFromText(path_), kMaxStateFileBytes);
    if (!text.ok) return fail(text.problem);
    if (text.bytes == saved_text_) return true;
    std::string problem;
    std::optional<SimState> state = ParseStateFile(text.bytes, &problem);
    if (!state) return fail(problem);
    if (state->drives.size() < state_.drives.size()) {
        return fail("holds " + std::to_string(state->drives.size()) + " drives where there were " +
                    std::to_string(state_.drives.size()) +
                    "; drives can be appended but not removed while the program runs");
    }
    SimState before = std::exchange(state_, std::move(*state));
    saved_text_ = std::move(text.bytes);
    PowerOffUnplugged(before);
    if (change && before != state_) *change = StateChange{std::move(before), state_};
    return true;
}

// A drive that was plugged in `before` and no longer is loses what its
// firmware held only while powered.
void SimSession::PowerOffUnplugged(const SimState& before) {
    for (std::size_t i = 0; i < runtimes_.size() && i < before.drives.size(); ++i) {
        const bool unplugged = i >= state_.drives.size() || !state_.drives[i].plugged;
        if (before.drives[i].plugged && unplugged) runtimes_[i] = FirmwareRuntime{};
    }
}

SimState SimSession::Snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void SimSession::SetSleeper(Sleeper sleeper) {
    std::lock_guard lock(mutex_);
    sleeper_ = std::move(sleeper);
}

std::unique_ptr<transport::ScsiDevice> SimSession::Open(std::size_t index) {
    std::lock_guard lock(mutex_);
    if (index >= state_.drives.size() || !state_.drives[index].plugged) return nullptr;
    return std::make_unique<Device>(*this, index);
}

FirmwareRuntime& SimSession::runtime(std::size_t index) {
    if (runtimes_.size() <= index) runtimes_.resize(index + 1);
    return runtimes_[index];
}

bool SimSession::Save(std::string* error) {
    std::lock_guard lock(mutex_);
    return SaveLocked(/*only_if_changed=*/false, error);
}

bool SimSession::SaveLocked(bool only_if_changed, std::string* error) {
    if (path_.empty()) return true;
    std::string text = FormatStateFile(state_);
    if (only_if_changed && text == saved_text_) return true;
    if (!WriteAtomically(path_, text, error)) return false;
    saved_text_ = std::move(text);
    return true;
}

transport::ScsiResult SimSession::Execute(std::size_t index, const transport::ScsiRequest& request) {
    // The drive's latency passes with the lock released, so that the other
    // drives of the session answer meanwhile.
    std::chrono::milliseconds latency{0};
    Sleeper sleeper;
    {
        std::lock_guard lock(mutex_);
        if (index < state_.drives.size()) latency = std::chrono::milliseconds(state_.drives[index].latency_ms);
        if (latency.count() > 0) sleeper = sleeper_;
    }
    if (sleeper) sleeper(latency);

    std::lock_guard lock(mutex_);
    if (index >= state_.drives.size() || !state_.drives[index].plugged) {
        return {false, 0, 0};
    }
    SimDrive& drive = state_.drives[index];
    std::optional<FirmwareOutcome> outcome = TakeFault(drive, request);
    if (!outcome) outcome = RunFirmwareCommand(drive, runtime(index), request, random_);
    // Most commands change nothing the file holds; only the others pay for
    // writing it.
    if (outcome->drive_changed && !SaveLocked(/*only_if_changed=*/false, nullptr)) {
        return {false, 0, 0};
    }
    return outcome->result;
}

}  // namespace qx7::sim
