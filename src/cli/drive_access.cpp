#include "cli/drive_access.h"

#include <iostream>
#include <ostream>

#include "cli/messages.h"
#include "platform/linux/scsi_opener.h"
#include "platform/linux/udev_enumerator.h"
#include "platform/linux/udev_watcher.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "sim/state_file_watcher.h"
#include "transport/tracing_device.h"

namespace qx7::cli {
namespace {

// Where and how the commands are traced; no stream: not at all.
struct TraceTarget {
    std::ostream* stream = nullptr;
    transport::TraceMode mode = transport::TraceMode::Redacted;
};

// The enumerator the commands use: traced with --trace or --trace-full.
class MaybeTracing {
public:
    MaybeTracing(transport::DeviceEnumerator& inner, const TraceTarget& trace) {
        if (trace.stream) {
            tracing_ = std::make_unique<transport::TracingEnumerator>(inner, *trace.stream, trace.mode);
        }
        enumerator_ = tracing_ ? tracing_.get() : &inner;
    }
    transport::DeviceEnumerator& get() { return *enumerator_; }

private:
    std::unique_ptr<transport::TracingEnumerator> tracing_;
    transport::DeviceEnumerator* enumerator_;
};

// The state file's watcher, telling why it refused a change of the file
// (the simulated drives stay as they were).
class ProblemReportingWatcher final : public transport::DeviceWatcher {
public:
    ProblemReportingWatcher(std::unique_ptr<sim::StateFileWatcher> inner,
                            std::function<void(const std::string&)> problem)
        : inner_(std::move(inner)), problem_(std::move(problem)) {}
    int PollDescriptor() const override { return inner_->PollDescriptor(); }
    std::vector<transport::DeviceEvent> TakeEvents() override {
        auto events = inner_->TakeEvents();
        if (std::string problem = inner_->TakeProblem(); !problem.empty() && problem_) problem_(problem);
        return events;
    }

private:
    std::unique_ptr<sim::StateFileWatcher> inner_;
    std::function<void(const std::string&)> problem_;
};

class SimulatedDrives final : public DriveAccess {
public:
    SimulatedDrives(std::unique_ptr<sim::SimSession> session, const TraceTarget& trace)
        : session_(std::move(session)), bus_(*session_), tracing_(bus_, trace) {}
    transport::DeviceEnumerator& enumerator() override { return tracing_.get(); }
    std::unique_ptr<transport::DeviceWatcher> Watch(std::function<void(const std::string&)> problem,
                                                     std::string* error) override {
        auto watcher = sim::StateFileWatcher::Create(*session_, error);
        if (!watcher) return nullptr;
        return std::make_unique<ProblemReportingWatcher>(std::move(watcher), std::move(problem));
    }

private:
    std::unique_ptr<sim::SimSession> session_;
    sim::SimBus bus_;
    MaybeTracing tracing_;
};

// Drives a caller handed in: what they list and open, traced as asked.
class GivenDrives final : public DriveAccess {
public:
    GivenDrives(transport::DeviceEnumerator& drives, const TraceTarget& trace) : tracing_(drives, trace) {}
    transport::DeviceEnumerator& enumerator() override { return tracing_.get(); }
    std::unique_ptr<transport::DeviceWatcher> Watch(std::function<void(const std::string&)> /*problem*/,
                                                     std::string* error) override {
        *error = "these drives give no hot-plug events";
        return nullptr;
    }

private:
    MaybeTracing tracing_;
};

// The drives of this machine: udev for what is present, SG_IO (directly or
// through the privileged helper) for the commands.
class PlatformDrives final : public DriveAccess {
public:
    static std::unique_ptr<PlatformDrives> Create(std::ostream& messages, const TraceTarget& trace,
                                                  std::string* error) {
        auto opener = platform::linux_sg::MakeScsiOpener(
            [&messages](const std::string& text) { messages << text << '\n'; });
        auto enumerator = platform::linux_udev::UdevEnumerator::Create(*opener, error);
        if (!enumerator) return nullptr;
        return std::unique_ptr<PlatformDrives>(
            new PlatformDrives(std::move(opener), std::move(enumerator), trace));
    }

    transport::DeviceEnumerator& enumerator() override { return tracing_.get(); }
    std::string AccessProblem() const override { return opener_->Unavailable(); }
    std::string OpenFailure(const std::string& path) const override { return udev_->OpenFailure(path); }
    std::unique_ptr<transport::DeviceWatcher> Watch(std::function<void(const std::string&)> /*problem*/,
                                                     std::string* error) override {
        return platform::linux_udev::UdevWatcher::Create(error);
    }

    std::vector<std::string> NodeDetails(const std::string& usb_key) override {
        std::vector<std::string> lines;
        for (const auto& node : udev_->StorageNodes()) {
            if (node.usb_key != usb_key) continue;
            std::string line = (node.storage_class == transport::StorageClass::CdRom ? "CD-ROM " : "disk ") +
                               node.block_node + " (" + DeviceNumberText(node.device_number) + "): ";
            line += node.generic_node.empty()
                        ? "no SCSI generic node, so it cannot be opened (load the sg module: modprobe sg)"
                        : "SCSI generic node " + node.generic_node;
            lines.push_back(std::move(line));
        }
        return lines;
    }

private:
    PlatformDrives(std::unique_ptr<platform::linux_sg::ScsiOpener> opener,
                   std::unique_ptr<platform::linux_udev::UdevEnumerator> udev, const TraceTarget& trace)
        : opener_(std::move(opener)), udev_(std::move(udev)), tracing_(*udev_, trace) {}

    std::unique_ptr<platform::linux_sg::ScsiOpener> opener_;
    std::unique_ptr<platform::linux_udev::UdevEnumerator> udev_;
    MaybeTracing tracing_;
};

}  // namespace

std::string DeviceNumberText(const std::optional<transport::DeviceNumber>& number) {
    if (!number) return "no device number";
    return std::to_string(number->major) + ":" + std::to_string(number->minor);
}

std::unique_ptr<DriveAccess> OpenDriveAccess(const GlobalOptions& options, std::ostream& messages,
                                             std::string* error) {
    TraceTarget trace;
    if (options.trace_full) {
        messages << Message(options.language, MessageId::TraceFullWarning) << '\n';
        trace = {&messages, transport::TraceMode::Full};
    } else if (options.trace) {
        trace = {&messages, transport::TraceMode::Redacted};
    }
    if (options.drives) return std::make_unique<GivenDrives>(*options.drives, trace);
    if (options.sim_state.empty()) return PlatformDrives::Create(messages, trace, error);
    auto session = sim::SimSession::Load(options.sim_state, error);
    if (!session) return nullptr;
    return std::make_unique<SimulatedDrives>(std::move(session), trace);
}

std::optional<ScannedDrives> ScanForDrives(const GlobalOptions& options) {
    std::string error;
    auto access = OpenDriveAccess(options, std::cerr, &error);
    if (!access) {
        std::cerr << error << '\n';
        return std::nullopt;
    }
    transport::DriveTable table = transport::ScanDrives(access->enumerator());
    return ScannedDrives{std::move(access), std::move(table)};
}

}  // namespace qx7::cli
