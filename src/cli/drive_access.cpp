#include "cli/drive_access.h"

#include <ostream>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "transport/tracing_device.h"

namespace qx7::cli {
namespace {

// A traced device that owns the device it traces.
class OwningTracingDevice final : public transport::ScsiDevice {
public:
    OwningTracingDevice(std::unique_ptr<transport::ScsiDevice> inner, std::ostream& trace)
        : inner_(std::move(inner)), tracer_(*inner_, trace) {}
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override {
        return tracer_.Execute(request);
    }

private:
    std::unique_ptr<transport::ScsiDevice> inner_;
    transport::TracingDevice tracer_;
};

// Passes everything through, tracing the devices it opens when asked to.
class TracingEnumerator final : public transport::DeviceEnumerator {
public:
    TracingEnumerator(transport::DeviceEnumerator& inner, std::ostream* trace)
        : inner_(inner), trace_(trace) {}
    std::vector<transport::UsbDevice> UsbDevices() override { return inner_.UsbDevices(); }
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass c) override {
        return inner_.StorageInterfaces(c);
    }
    std::vector<transport::Volume> Volumes() override { return inner_.Volumes(); }
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override {
        auto device = inner_.Open(path);
        if (!device || !trace_) return device;
        return std::make_unique<OwningTracingDevice>(std::move(device), *trace_);
    }

private:
    transport::DeviceEnumerator& inner_;
    std::ostream* trace_;
};

class SimulatedDrives final : public DriveAccess {
public:
    SimulatedDrives(std::unique_ptr<sim::SimSession> session, std::ostream* trace)
        : session_(std::move(session)), bus_(*session_), tracing_(bus_, trace) {}
    transport::DeviceEnumerator& enumerator() override { return tracing_; }

private:
    std::unique_ptr<sim::SimSession> session_;
    sim::SimBus bus_;
    TracingEnumerator tracing_;
};

// Real drives need the Linux device layer, which is not built yet: until
// then nothing is found.
class NoPlatformDrives final : public DriveAccess, private transport::DeviceEnumerator {
public:
    transport::DeviceEnumerator& enumerator() override { return *this; }

private:
    std::vector<transport::UsbDevice> UsbDevices() override { return {}; }
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass) override {
        return {};
    }
    std::vector<transport::Volume> Volumes() override { return {}; }
    std::unique_ptr<transport::ScsiDevice> Open(const std::string&) override { return nullptr; }
};

}  // namespace

std::unique_ptr<DriveAccess> OpenDriveAccess(const GlobalOptions& options, std::ostream& trace,
                                             std::string* error) {
    std::ostream* trace_stream = options.trace ? &trace : nullptr;
    if (options.sim_state.empty()) return std::make_unique<NoPlatformDrives>();
    auto session = sim::SimSession::Load(options.sim_state, error);
    if (!session) return nullptr;
    return std::make_unique<SimulatedDrives>(std::move(session), trace_stream);
}

}  // namespace qx7::cli
