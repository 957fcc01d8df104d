#include "ui/shell/drive_sources.h"

#include <cstdlib>

#include "platform/linux/scsi_opener.h"
#include "platform/linux/udev_enumerator.h"
#include "platform/linux/udev_watcher.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"

namespace qx7::ui {
namespace {

class MachineDrives final : public DriveSource {
public:
    MachineDrives(std::unique_ptr<platform::linux_sg::ScsiOpener> opener,
                  std::unique_ptr<platform::linux_udev::UdevEnumerator> enumerator,
                  std::unique_ptr<platform::linux_udev::UdevWatcher> watcher)
        : opener_(std::move(opener)), enumerator_(std::move(enumerator)), watcher_(std::move(watcher)) {}
    transport::DeviceEnumerator& enumerator() override { return *enumerator_; }
    transport::DeviceWatcher* watcher() override { return watcher_.get(); }

private:
    std::unique_ptr<platform::linux_sg::ScsiOpener> opener_;
    std::unique_ptr<platform::linux_udev::UdevEnumerator> enumerator_;
    std::unique_ptr<platform::linux_udev::UdevWatcher> watcher_;
};

class SimulatedDrives final : public DriveSource {
public:
    explicit SimulatedDrives(std::unique_ptr<sim::SimSession> session)
        : session_(std::move(session)), bus_(*session_) {}
    transport::DeviceEnumerator& enumerator() override { return bus_; }
    transport::DeviceWatcher* watcher() override { return nullptr; }
    sim::SimSession* sim_session() override { return session_.get(); }
    sim::SimBus* sim_bus() override { return &bus_; }

private:
    std::unique_ptr<sim::SimSession> session_;
    sim::SimBus bus_;
};

}  // namespace

std::unique_ptr<DriveSource> OpenMachineDrives(std::function<void(const std::string&)> on_unavailable,
                                               std::string* error) {
    // The window's own advice: it never sends the user to the command-line tool.
    auto opener =
        platform::linux_sg::MakeScsiOpener(std::move(on_unavailable), platform::linux_sg::HelperAdvice::Window);
    auto enumerator = platform::linux_udev::UdevEnumerator::Create(*opener, error);
    if (!enumerator) return nullptr;
    std::string watcher_error;
    // Without a watcher the window still works; rescans are then manual.
    auto watcher = platform::linux_udev::UdevWatcher::Create(&watcher_error);
    return std::make_unique<MachineDrives>(std::move(opener), std::move(enumerator), std::move(watcher));
}

std::unique_ptr<DriveSource> OpenSimulatedDrives(const std::string& path, std::string* error) {
    auto session = sim::SimSession::Load(path, error);
    if (!session) return nullptr;
    return std::make_unique<SimulatedDrives>(std::move(session));
}

std::string DefaultSimulatorStatePath() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
        return std::string(state) + "/qx7/sim.json";
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/state/qx7/sim.json";
}

}  // namespace qx7::ui
