#include "cli/drive_access.h"

#include <iostream>
#include <ostream>

#include "cli/messages.h"
#include "platform/machine_drives.h"
#include "sim/simulated_drives.h"
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

class SimulatedDrives final : public DriveAccess {
public:
    SimulatedDrives(std::unique_ptr<sim::SimulatedDrives> drives, const TraceTarget& trace)
        : drives_(std::move(drives)), tracing_(drives_->bus(), trace) {}
    transport::DeviceEnumerator& enumerator() override { return tracing_.get(); }
    std::unique_ptr<transport::DeviceWatcher> Watch(std::function<void(const std::string&)> problem,
                                                    std::string* error) override {
        return drives_->Watch(std::move(problem), error);
    }

private:
    std::unique_ptr<sim::SimulatedDrives> drives_;
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

// The drives of this machine, from the operating system's back end.
class PlatformDrives final : public DriveAccess {
public:
    static std::unique_ptr<PlatformDrives> Create(std::ostream& messages, const TraceTarget& trace,
                                                  std::string* error) {
        auto machine = platform::OpenMachineDrives(
            platform::FrontEnd::CommandLine, [&messages](const std::string& text) { messages << text << '\n'; }, error);
        if (!machine) return nullptr;
        // A back end that knows before any scan that no drive can be reached
        // stops the command with its one line.
        if (std::string problem = machine->AccessProblem(); !problem.empty()) {
            *error = std::move(problem);
            return nullptr;
        }
        return std::unique_ptr<PlatformDrives>(new PlatformDrives(std::move(machine), trace));
    }

    transport::DeviceEnumerator& enumerator() override { return tracing_.get(); }
    std::string AccessProblem() const override { return machine_->AccessProblem(); }
    std::string OpenFailure(const std::string& path) const override { return machine_->OpenFailure(path); }
    std::unique_ptr<transport::DeviceWatcher> Watch(std::function<void(const std::string&)> /*problem*/,
                                                    std::string* error) override {
        return machine_->Watch(error);
    }
    std::vector<std::string> NodeDetails(const std::string& usb_key) override { return machine_->NodeDetails(usb_key); }

private:
    PlatformDrives(std::unique_ptr<platform::MachineDrives> machine, const TraceTarget& trace)
        : machine_(std::move(machine)), tracing_(machine_->enumerator(), trace) {}

    std::unique_ptr<platform::MachineDrives> machine_;
    MaybeTracing tracing_;
};

}  // namespace

std::unique_ptr<DriveAccess> OpenDriveAccess(const GlobalOptions& options, std::ostream& messages, std::string* error) {
    TraceTarget trace;
    if (options.trace_full) {
        messages << Message(options.language, MessageId::TraceFullWarning) << '\n';
        trace = {&messages, transport::TraceMode::Full};
    } else if (options.trace) {
        trace = {&messages, transport::TraceMode::Redacted};
    }
    if (options.drives) return std::make_unique<GivenDrives>(*options.drives, trace);
    if (options.sim_state.empty()) return PlatformDrives::Create(messages, trace, error);
    auto drives = sim::SimulatedDrives::Open(options.sim_state, error);
    if (!drives) return nullptr;
    return std::make_unique<SimulatedDrives>(std::move(drives), trace);
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
