#pragma once
// The simulated drives the programs use in place of the machine's (qx7ctl
// --sim, qx7config --simulate): a session over a state file and the bus
// that lists and opens its drives.

#include <functional>
#include <memory>
#include <string>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "transport/device_watcher.h"

namespace qx7::sim {

class SimulatedDrives {
public:
    // The drives of the state file `path` (created when missing). Null with
    // *error set when the file cannot be used.
    static std::unique_ptr<SimulatedDrives> Open(const std::string& path, std::string* error);

    SimSession& session() { return *session_; }
    SimBus& bus() { return bus_; }

    // Hot-plug events from the changes others make to the state file. A
    // change the session refuses (its drives stay as they were) is handed
    // to `problem` when the events are taken. Null with *error set when the
    // file cannot be followed.
    std::unique_ptr<transport::DeviceWatcher> Watch(std::function<void(const std::string&)> problem,
                                                    std::string* error);

private:
    explicit SimulatedDrives(std::unique_ptr<SimSession> session) : session_(std::move(session)), bus_(*session_) {}

    std::unique_ptr<SimSession> session_;
    SimBus bus_;
};

}  // namespace qx7::sim
