#include "ui/shell/drive_sources.h"

#include "platform/machine_drives.h"
#include "sim/simulated_drives.h"
#include "ui/shell/desktop_environment.h"

namespace qx7::ui {
namespace {

class MachineDrives final : public DriveSource {
public:
    MachineDrives(std::unique_ptr<platform::MachineDrives> machine, std::unique_ptr<transport::DeviceWatcher> watcher)
        : machine_(std::move(machine)), watcher_(std::move(watcher)) {}
    transport::DeviceEnumerator& enumerator() override { return machine_->enumerator(); }
    transport::DeviceWatcher* watcher() override { return watcher_.get(); }

private:
    std::unique_ptr<platform::MachineDrives> machine_;
    std::unique_ptr<transport::DeviceWatcher> watcher_;
};

class SimulatedDrives final : public DriveSource {
public:
    explicit SimulatedDrives(std::unique_ptr<sim::SimulatedDrives> drives) : drives_(std::move(drives)) {}
    transport::DeviceEnumerator& enumerator() override { return drives_->bus(); }
    transport::DeviceWatcher* watcher() override { return nullptr; }
    sim::SimSession* sim_session() override { return &drives_->session(); }
    sim::SimBus* sim_bus() override { return &drives_->bus(); }

private:
    std::unique_ptr<sim::SimulatedDrives> drives_;
};

}  // namespace

std::unique_ptr<DriveSource> OpenMachineDrives(std::function<void(const std::string&)> on_unavailable,
                                               std::string* error) {
    // The window's own advice: it never sends the user to the command-line tool.
    auto machine = platform::OpenMachineDrives(platform::FrontEnd::Window, std::move(on_unavailable), error);
    if (!machine) return nullptr;
    std::string watcher_error;
    // Without a watcher the window still works; rescans are then manual.
    auto watcher = machine->Watch(&watcher_error);
    return std::make_unique<MachineDrives>(std::move(machine), std::move(watcher));
}

std::unique_ptr<DriveSource> OpenSimulatedDrives(const std::string& path, std::string* error) {
    auto drives = sim::SimulatedDrives::Open(path, error);
    if (!drives) return nullptr;
    return std::make_unique<SimulatedDrives>(std::move(drives));
}

std::string DefaultSimulatorStatePath() { return UserStateFolder() + "/sim.json"; }

}  // namespace qx7::ui
