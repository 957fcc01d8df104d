// qx7ctl apply proves what it wrote by reading each drive again, and
// apply --dry-run says what it would write without writing anything.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/qx7ctl_fixture.h"

namespace {

using qx7::test::ProcessRun;
namespace fs = std::filesystem;

// Settings reads (0x30) in a trace.
std::size_t SettingsReads(const std::string& trace) {
    std::size_t count = 0;
    for (std::size_t at = trace.find(" cdb=3c01ce30"); at != std::string::npos;
         at = trace.find(" cdb=3c01ce30", at + 1)) {
        ++count;
    }
    return count;
}

// The fields FullForm changes on a default drive, in the order listed.
const std::vector<std::string> kFormChanges = {
    "self_destruct_counter", "min_password_length",   "user_language", "virtual_cd", "self_destruct", "auto_lock",
    "auto_lock_delay",       "extended_options_mask", "setup_id"};

class VerifyDryRunTest : public qx7::test::Qx7ctlTest {
protected:
    std::string ApplyArgs(const std::string& config, const std::string& more = "") {
        return "apply " + Quoted(config) + " --password-file " + Quoted(Write("password.txt", "QX7ADMIN\n")) +
               " --folder " + Quoted(Path("out")) + " " + more;
    }
};

TEST_F(VerifyDryRunTest, ADriveThatDropsTheWriteFailsTheReadBackWithTheFieldNamed) {
    const std::string config = ConfigNew(FullForm());
    Write("state.json", R"({"drives": [{}, {"drops_writes": true}]})");
    const ProcessRun run =
        Run("--trace " + ApplyArgs(config, "--all --jobs 1 --report " + Quoted(Path("report.json"))));
    EXPECT_EQ(run.exit_code, 1) << err_;
    EXPECT_NE(run.out.find("line 1: QX7SIM0000000001: configured (verified, "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("line 2: QX7SIM0000000002: FAILED ("), std::string::npos) << run.out;
    EXPECT_NE(err_.find("line 2: QX7SIM0000000002: Read back after the upload: the drive holds other settings than "
                        "it was sent: self_destruct_counter: expected 30 \u2192 found 10; "),
              std::string::npos)
        << err_;
    // Each drive was read twice: before its upload and after.
    EXPECT_EQ(SettingsReads(err_), 4u) << err_;

    const nlohmann::json drives = nlohmann::json::parse(Read(Path("report.json"))).at("drives");
    EXPECT_EQ(drives[0].at("verify"), "verified");
    EXPECT_EQ(drives[0].at("mismatches"), nlohmann::json::array());
    EXPECT_EQ(drives[1].at("result"), "failed");
    EXPECT_EQ(drives[1].at("verify"), "failed");
    std::vector<std::string> fields;
    for (const auto& mismatch : drives[1].at("mismatches")) fields.push_back(mismatch.at("field"));
    EXPECT_EQ(fields, kFormChanges);
    EXPECT_EQ(drives[1].at("mismatches")[0],
              (nlohmann::json{{"field", "self_destruct_counter"}, {"expected", "30"}, {"found", "10"}}));
    EXPECT_NE(drives[1].at("error").get<std::string>().find("user_language: expected French \u2192 found English"),
              std::string::npos);

    // --no-verify: the drive is not read again, and so the drive that
    // dropped the write passes.
    Write("state.json", R"({"drives": [{"drops_writes": true}]})");
    const ProcessRun unverified = Run("--trace " + ApplyArgs(config, "--no-verify"));
    EXPECT_EQ(unverified.exit_code, 0) << err_;
    EXPECT_EQ(unverified.out.rfind("line 1: QX7SIM0000000001: configured (", 0), 0u) << unverified.out;
    EXPECT_EQ(unverified.out.find("verified"), std::string::npos) << unverified.out;
    EXPECT_EQ(SettingsReads(err_), 1u) << err_;
}

TEST_F(VerifyDryRunTest, ADryRunListsTheChangesAndWritesNothing) {
    const std::string config = ConfigNew(FullForm());
    // Drive 2 has Centrawatch on, which the file cannot switch off.
    Write(
        "state.json",
        R"({"drives": [{}, {"settings_hex": "90000000000000000a00000000000000087e0001000000003c000000000000000000000000000000000000000000000000000000"}]})");
    const std::string state_before = Read(state_);
    const std::string arguments = ApplyArgs(config, "--all --dry-run");  // writes the password file
    std::vector<fs::path> files_before;
    for (const auto& entry : fs::directory_iterator(dir_)) files_before.push_back(entry.path());

    const ProcessRun run = Run("--trace " + arguments);
    EXPECT_EQ(run.exit_code, 0) << err_;
    EXPECT_NE(run.out.find("line 1: QX7SIM0000000001: would change 9 fields\n"
                           "  self_destruct_counter: 10 \u2192 30\n"
                           "  min_password_length: 8 \u2192 10\n"
                           "  user_language: English \u2192 French\n"
                           "  virtual_cd: enable \u2192 disable\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("  warning: Centrawatch stays on: once on, it cannot be switched off"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("dry run: nothing was written to any drive"), std::string::npos) << run.out;
    // Nothing written: no settings write nor its pre-command went out, the
    // drives' flash is as it was, and no file (saved configuration, log,
    // folder) was made.
    EXPECT_EQ(err_.find(" cdb=3b01cd"), std::string::npos) << err_;
    EXPECT_EQ(err_.find(" cdb=3b0110cd"), std::string::npos) << err_;
    EXPECT_EQ(Read(state_), state_before);
    std::vector<fs::path> files_after;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        if (entry.path().filename() != "stderr.txt") files_after.push_back(entry.path());
    }
    std::erase_if(files_before, [](const fs::path& path) { return path.filename() == "stderr.txt"; });
    std::sort(files_before.begin(), files_before.end());
    std::sort(files_after.begin(), files_after.end());
    EXPECT_EQ(files_after, files_before);

    // The same for scripts.
    const ProcessRun json = Run(ApplyArgs(config, "--all --dry-run --json"));
    EXPECT_EQ(json.exit_code, 0) << err_;
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    EXPECT_EQ(parsed.at("dry_run"), true);
    EXPECT_EQ(parsed.at("exit_status"), 0);
    const auto& drives = parsed.at("drives");
    ASSERT_EQ(drives.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(drives[i].at("line"), i + 1);
        EXPECT_EQ(drives[i].at("result"), "previewed");
        std::vector<std::string> fields;
        for (const auto& change : drives[i].at("changes")) fields.push_back(change.at("field"));
        EXPECT_EQ(fields, kFormChanges);
    }
    EXPECT_EQ(drives[0].at("changes")[0],
              (nlohmann::json{{"field", "self_destruct_counter"}, {"before", "10"}, {"after", "30"}}));
    EXPECT_EQ(drives[0].at("warnings"), nlohmann::json::array());
    EXPECT_EQ(drives[1].at("warnings")[0], "Centrawatch stays on: once on, it cannot be switched off");
    EXPECT_EQ(Read(state_), state_before);

    // A dry run keeps no report.
    EXPECT_EQ(Run(ApplyArgs(config, "--dry-run --report " + Quoted(Path("r.json")))).exit_code, 2);
    EXPECT_FALSE(fs::exists(Path("r.json")));
}

}  // namespace
