#include "sim/simulated_drives.h"

#include <utility>
#include <vector>

#include "sim/state_file_watcher.h"

namespace qx7::sim {
namespace {

// The state file's watcher, telling why it refused a change of the file.
class ProblemReportingWatcher final : public transport::DeviceWatcher {
public:
    ProblemReportingWatcher(std::unique_ptr<StateFileWatcher> inner, std::function<void(const std::string&)> problem)
        : inner_(std::move(inner)), problem_(std::move(problem)) {}
    bool WaitForChange(std::chrono::milliseconds timeout) override { return inner_->WaitForChange(timeout); }
    void Wake() override { inner_->Wake(); }
    std::vector<transport::DeviceEvent> TakeEvents() override {
        auto events = inner_->TakeEvents();
        if (std::string problem = inner_->TakeProblem(); !problem.empty() && problem_) problem_(problem);
        return events;
    }

private:
    std::unique_ptr<StateFileWatcher> inner_;
    std::function<void(const std::string&)> problem_;
};

}  // namespace

std::unique_ptr<SimulatedDrives> SimulatedDrives::Open(const std::string& path, std::string* error) {
    auto session = SimSession::Load(path, error);
    if (!session) return nullptr;
    return std::unique_ptr<SimulatedDrives>(new SimulatedDrives(std::move(session)));
}

std::unique_ptr<transport::DeviceWatcher> SimulatedDrives::Watch(std::function<void(const std::string&)> problem,
                                                                 std::string* error) {
    auto watcher = StateFileWatcher::Create(*session_, error);
    if (!watcher) return nullptr;
    return std::make_unique<ProblemReportingWatcher>(std::move(watcher), std::move(problem));
}

}  // namespace qx7::sim
