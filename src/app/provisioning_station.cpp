#include "app/provisioning_station.h"

#include <algorithm>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

namespace qx7::app {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often the station looks at its state when nothing wakes it.
constexpr milliseconds kIdleTick{200};

// The drives minus those with the given USB keys.
class WithoutDrives final : public transport::ForwardingEnumerator {
public:
    WithoutDrives(transport::DeviceEnumerator& inner, const std::set<std::string>& usb_keys)
        : ForwardingEnumerator(inner), usb_keys_(usb_keys) {}
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass storage_class) override {
        auto interfaces = inner().StorageInterfaces(storage_class);
        std::erase_if(interfaces, [this](const auto& interface) { return usb_keys_.contains(interface.usb_key); });
        return interfaces;
    }

private:
    const std::set<std::string>& usb_keys_;
};

class Station {
public:
    Station(const ProvisioningPlan& plan, transport::DeviceEnumerator& devices, const StationSettings& settings,
            const DriveContextFactory& contexts, const OutcomeHandler& finished, const StopFlag& stop)
        : plan_(plan), devices_(devices), settings_(settings), contexts_(contexts), finished_(finished), stop_(stop) {}

    ~Station() { WaitForWorkers(); }

    // Scans, and starts every listed drive that was not listed at the
    // previous scan and is not being configured. The scan leaves out the
    // drives being configured: a discovery command must not land between
    // the commands of a configuration (a write and its announcement, for
    // one).
    void ScanAndStart() {
        std::set<std::string> busy;
        {
            std::lock_guard lock(mutex_);
            busy = busy_;
        }
        WithoutDrives scan_view(devices_, busy);
        auto table = std::make_shared<const transport::DriveTable>(transport::ScanDrives(scan_view));
        std::set<std::string> present;
        std::lock_guard lock(mutex_);
        bool deferred = false;
        for (std::size_t line = 0; line < table->listed_count(); ++line) {
            const std::string& usb_key = table->ListedRecord(line)->usb_key;
            present.insert(usb_key);
            if (seen_.contains(usb_key) || busy_.contains(usb_key)) continue;
            if (!HasRoomLocked()) {
                deferred = true;  // tried at a later scan, when there is room
                continue;
            }
            seen_.insert(usb_key);
            busy_.insert(usb_key);
            ++active_;
            workers_.emplace_back([this, table, line, usb_key] { Work(table, line, usb_key); });
        }
        // A drive unplugged since is new again when it comes back; one being
        // configured was not scanned.
        std::erase_if(seen_, [&](const std::string& key) { return !present.contains(key) && !busy_.contains(key); });
        failed_since_scan_.clear();
        rescan_after_finish_ = deferred;
    }

    // A drive was removed: it may be one being configured, which its
    // attempt cannot tell (the scan leaves busy drives out), or one whose
    // attempt failed since the last scan because it was pulled out: its
    // failure can end before the removal's event is taken. Either may be
    // back already, so it is new again at the next scan.
    void NoteRemoval() {
        std::lock_guard lock(mutex_);
        disturbed_.insert(busy_.begin(), busy_.end());
        for (const std::string& usb_key : failed_since_scan_) seen_.erase(usb_key);
        failed_since_scan_.clear();
    }

    bool Done() {
        std::lock_guard lock(mutex_);
        return settings_.count > 0 && configured_ >= settings_.count;
    }

    // A worker finished while drives waited for room, or a drive that may
    // have been plugged in again failed.
    bool TakeRescanRequest() {
        std::lock_guard lock(mutex_);
        return std::exchange(rescan_requested_, false);
    }

    void WaitForWorkers() {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return active_ == 0; });
        lock.unlock();
        for (std::thread& worker : workers_) {
            if (worker.joinable()) worker.join();
        }
        workers_.clear();
    }

    std::vector<DriveOutcome> TakeOutcomes() {
        std::lock_guard lock(mutex_);
        return std::move(outcomes_);
    }

private:
    // The drive's context, with the run's claim on serial numbers: the first
    // drive read with a serial number claims it; a later one with the same
    // number is skipped.
    class ClaimingContext final : public DriveContext {
    public:
        ClaimingContext(Station& station, std::unique_ptr<DriveContext> inner)
            : station_(station), inner_(std::move(inner)) {}
        ScriptedHost& host() override { return inner_->host(); }
        void OnStep(DriveStep step) override { inner_->OnStep(step); }
        void OnRead(std::u16string_view serial, std::string_view diagnostics) override {
            inner_->OnRead(serial, diagnostics);
        }
        void OnWritten(const DriveOutcome& outcome) override { inner_->OnWritten(outcome); }
        bool Wanted(std::u16string_view serial) override {
            if (!serial.empty()) {
                std::lock_guard lock(station_.mutex_);
                if (!station_.claimed_.insert(std::u16string(serial)).second) return false;
                claimed_ = serial;
            }
            return inner_->Wanted(serial);
        }
        const std::u16string& claimed() const { return claimed_; }

    private:
        Station& station_;
        std::unique_ptr<DriveContext> inner_;
        std::u16string claimed_;
    };

    bool HasRoomLocked() const {
        if (active_ >= std::max<std::size_t>(settings_.jobs, 1)) return false;
        return settings_.count == 0 || configured_ + active_ < settings_.count;
    }

    void Work(const std::shared_ptr<const transport::DriveTable>& table, std::size_t line, const std::string& usb_key) {
        DriveOutcome outcome;
        std::u16string claimed;
        try {
            ClaimingContext context(*this, contexts_(table->TablePosition(line)));
            outcome = ProvisionDrive(plan_, devices_, *table, line, context, &stop_);
            claimed = context.claimed();
        } catch (const std::exception& e) {
            outcome = FailureByException(table->TablePosition(line), e);
        }
        {
            std::lock_guard lock(finish_mutex_);
            if (finished_) finished_(outcome);
        }
        std::lock_guard lock(mutex_);
        // A drive that was not configured may be tried again.
        if (outcome.result != DriveResult::Configured && !claimed.empty()) claimed_.erase(claimed);
        if (outcome.result == DriveResult::Configured) ++configured_;
        // A drive that failed while a drive was removed may have been
        // unplugged and plugged in again meanwhile: it is new again, and the
        // next scan, right away, tries it when it is there.
        if (disturbed_.erase(usb_key) > 0 && outcome.result != DriveResult::Configured) {
            seen_.erase(usb_key);
            rescan_requested_ = true;
        } else if (outcome.result == DriveResult::Failed) {
            failed_since_scan_.insert(usb_key);
        }
        busy_.erase(usb_key);
        --active_;
        if (rescan_after_finish_) rescan_requested_ = true;
        outcomes_.push_back(std::move(outcome));
        idle_.notify_all();
    }

    const ProvisioningPlan& plan_;
    transport::DeviceEnumerator& devices_;
    const StationSettings& settings_;
    const DriveContextFactory& contexts_;
    const OutcomeHandler& finished_;
    const StopFlag& stop_;

    std::mutex finish_mutex_;  // one outcome handler call at a time
    std::mutex mutex_;
    std::condition_variable idle_;
    std::set<std::string> seen_;               // USB keys of the drives listed at the last scan
    std::set<std::string> busy_;               // USB keys of the drives being configured
    std::set<std::string> disturbed_;          // of those, the ones during whose attempt a drive was removed
    std::set<std::string> failed_since_scan_;  // USB keys of the drives whose attempt failed since the last scan
    std::set<std::u16string> claimed_;         // serial numbers configured or being configured
    std::size_t active_ = 0;
    std::size_t configured_ = 0;
    bool rescan_after_finish_ = false;
    bool rescan_requested_ = false;
    std::list<std::thread> workers_;
    std::vector<DriveOutcome> outcomes_;
};

}  // namespace

std::vector<DriveOutcome> RunStation(const ProvisioningPlan& plan, transport::DeviceEnumerator& devices,
                                     transport::DeviceWatcher& watcher, const StationSettings& settings,
                                     const DriveContextFactory& contexts, const OutcomeHandler& finished,
                                     const StopFlag& stop) {
    Station station(plan, devices, settings, contexts, finished, stop);
    watcher.TakeEvents();  // what happened before the first scan is in it
    station.ScanAndStart();

    bool rescan_due = false;
    Clock::time_point rescan_at{};
    while (!stop.load() && !station.Done()) {
        milliseconds timeout = kIdleTick;
        if (rescan_due) {
            const auto left = std::chrono::duration_cast<milliseconds>(rescan_at - Clock::now());
            timeout = std::clamp(left, milliseconds{0}, kIdleTick);
        }
        watcher.WaitForChange(timeout);
        if (stop.load()) break;

        const std::vector<transport::DeviceEvent> events = watcher.TakeEvents();
        if (std::find(events.begin(), events.end(), transport::DeviceEvent::Removal) != events.end()) {
            station.NoteRemoval();
        }
        if (!events.empty()) {
            rescan_due = true;
            rescan_at = Clock::now() + settings.settle;
        }
        if (station.TakeRescanRequest() && !rescan_due) {
            rescan_due = true;
            rescan_at = Clock::now();
        }
        if (rescan_due && Clock::now() >= rescan_at) {
            rescan_due = false;
            station.ScanAndStart();
        }
    }
    station.WaitForWorkers();
    return station.TakeOutcomes();
}

}  // namespace qx7::app
