#pragma once
// qx7ctl run as a separate process in a folder of its own, against a
// simulator state file there.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "strings/path_text.h"
#include "support/process_run.h"
#include "support/temp_folder.h"

namespace qx7::test {

class Qx7ctlTest : public ::testing::Test {
protected:
    void SetUp() override { state_ = Path("state.json"); }

    // A path in the test's folder, shell-quoted ready.
    std::string Path(const std::string& name) const { return strings::PathText(dir_ / strings::PathFromText(name)); }
    static std::string Quoted(const std::string& text) { return "'" + text + "'"; }

    // Writes `content` to the file `name` of the test's folder; its path.
    std::string Write(const std::string& name, const std::string& content) const {
        return strings::PathText(temp_.Write(strings::PathFromText(name), content));
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Runs qx7ctl with `arguments` (already shell-quoted) and the simulator
    // state file; standard error goes to err_, replacing the last run's. A
    // run that does not end within `timeout_seconds` is killed (exit 124).
    // The messages follow the locale: the run has an English one, then the
    // assignments of `environment` ("LANG=ko_KR.UTF-8").
    ProcessRun Run(const std::string& arguments, int timeout_seconds = 60, const std::string& environment = "") {
        const std::string err_file = Path("stderr.txt");
        ProcessRun run = RunShellCommand("env -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 " + environment + " timeout " +
                                         std::to_string(timeout_seconds) + " '" + QX7CTL_PATH + "' --sim " +
                                         Quoted(state_) + " " + arguments + " 2>" + Quoted(err_file));
        err_ = Read(err_file);
        return run;
    }

    nlohmann::json State() const { return nlohmann::json::parse(Read(state_)); }

    // A form for config new that gives every setting: the current password,
    // "Change Settings" and each setting key.
    static nlohmann::json FullForm() {
        return {
            {"current_password", "QX7ADMIN"},  {"change_settings", true},    {"self_destruct", "enable"},
            {"self_destruct_counter", 30},     {"virtual_cd", "disable"},    {"strong_password", "enable"},
            {"min_password_length", 10},       {"random_keypad", "disable"}, {"key_tone", "enable"},
            {"admin_language", "English"},     {"user_language", "French"},  {"centrawatch", "disable"},
            {"centrawatch_admin_mode", false}, {"rfid", "disable"},          {"read_only", "disable"},
            {"auto_lock", "enable"},           {"auto_lock_delay", 150},     {"extended_options_mask", 6148},
        };
    }

    // Runs config new with `form`; the file's path.
    std::string ConfigNew(const nlohmann::json& form, const std::string& name = "site.qx7",
                          const std::string& more = "") {
        const std::string out = Path(name);
        Run("config new " + Quoted(out) + " --form " + Quoted(Write(name + ".json", form.dump())) + " " + more);
        return out;
    }

    TempFolder temp_{"qx7ctl-test"};
    const std::filesystem::path& dir_ = temp_.path();
    std::string state_;
    std::string err_;  // standard error of the last run
};

}  // namespace qx7::test
