#pragma once
// qx7ctl apply over many simulated drives: the arguments of a batch, a run
// in the background, the drives' settings in the state file, and the lines
// of the operation log.

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/qx7ctl_fixture.h"
#include "sim/sim_drive.h"
#include "strings/hex.h"
#include "support/background_process.h"

namespace qx7::test {

class ApplyBatchTest : public Qx7ctlTest {
protected:
    std::string ApplyArgs(const std::string& more) {
        return "apply " + Quoted(ConfigNew(FullForm())) + " --password-file " +
               Quoted(Write("password.txt", "QX7ADMIN\n")) + " --folder " + Quoted(Path("out")) + " " + more;
    }
    // qx7ctl started in the background, as Run would start it.
    std::unique_ptr<BackgroundProcess> Start(const std::string& arguments) {
        return std::make_unique<BackgroundProcess>("env LANG=C.UTF-8 '" + std::string(QX7CTL_PATH) + "' --sim " +
                                                       Quoted(state_) + " " + arguments + " 2>" +
                                                       Quoted(Path("stderr.txt")),
                                                   Path("stdout.txt"));
    }
    // Another program changes the state file: a new file renamed over it.
    void SetPlugged(std::size_t drive, bool plugged) {
        nlohmann::json state = State();
        state["drives"][drive]["plugged"] = plugged;
        Write("state.next", state.dump());
        std::filesystem::rename(Path("state.next"), state_);
    }
    std::string SettingsOf(std::size_t drive) {
        return State().at("drives").at(drive).value("settings_hex",
                                                    qx7::strings::ToHex(qx7::sim::DefaultDrive(drive).settings));
    }
    std::vector<std::string> LogLines() {
        for (const auto& entry : std::filesystem::directory_iterator(Path("out"))) {
            if (entry.path().extension() != ".txt") continue;
            std::vector<std::string> lines;
            std::istringstream in(Read(entry.path().string()));
            for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
            return lines;
        }
        return {};
    }
};

}  // namespace qx7::test
