// qx7ctl apply against simulated drives: what reaches each drive, what is
// refused before any drive is touched, and what the terminal and the log
// show of what a drive reports about itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/qx7ctl_fixture.h"
#include "protocol/constants.h"
#include "protocol/records.h"
#include "sim/sim_drive.h"
#include "storage/config_file.h"
#include "strings/hex.h"

namespace {

using qx7::test::ProcessRun;

namespace fs = std::filesystem;
using namespace qx7::protocol;

SettingsRecord RecordOf(const nlohmann::json& drive) {
    const auto bytes = qx7::strings::FromHex(drive.at("settings_hex").get<std::string>());
    return SettingsRecord::Decode(std::span<const std::uint8_t, SettingsRecord::kSize>(bytes->data(), bytes->size()));
}

std::string HexOf(const SettingsRecord& record) { return qx7::strings::ToHex(record.Encode()); }

class ApplyTest : public qx7::test::Qx7ctlTest {
protected:
    std::string ApplyArgs(const std::string& config, const std::string& more = "") {
        return "apply " + Quoted(config) + " --password-file " + Quoted(Write("password.txt", "QX7ADMIN\n")) +
               " --folder " + Quoted(Path("out")) + " " + more;
    }
};

TEST_F(ApplyTest, OnlyADriveJustReadInAdministratorModeIsWritten) {
    // Drive 1 is read in administrator mode when the run starts; drive 2,
    // the one chosen, is then read and does not end in administrator mode.
    // (The simulator cannot refuse the open of a listed drive; a read whose
    // first command fails is the nearest.)
    const struct {
        const char* name;
        const char* drive_2;
        const char* serial_2;
    } cases[] = {
        {"identity read fails", R"({"faults": [{"cdb_prefix": "3c01ce01", "mode": "io"}]})", ""},
        {"unlocked by its user", R"({"mode": "user"})", "QX7SIM0000000002"},
        {"locked", R"({"mode": "locked"})", "QX7SIM0000000002"},
    };
    const std::string config = ConfigNew(FullForm());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write("state.json", std::string(R"({"drives": [{}, )") + c.drive_2 + "]}");
        const ProcessRun run = Run("--trace " + ApplyArgs(config, "--drive 2"));
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_EQ(run.out.rfind("line 2: ", 0), 0u) << run.out;
        EXPECT_NE(run.out.find(": FAILED ("), std::string::npos) << run.out;
        // Drive 1's serial number is not shown for drive 2.
        EXPECT_EQ(run.out.find("QX7SIM0000000001"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(c.serial_2), std::string::npos) << run.out;
        // No settings write went out, to either drive.
        EXPECT_EQ(err_.find(" cdb=3b01cd31"), std::string::npos) << err_;
        const nlohmann::json drives = State().at("drives");
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_FALSE(drives[i].contains("settings_hex") &&
                         drives[i]["settings_hex"] != qx7::strings::ToHex(qx7::sim::DefaultDrive(i).settings))
                << "drive " << i + 1;
        }
    }
}

TEST_F(ApplyTest, AFileOutsideTheFormsRangesIsRefusedBeforeAnyDriveIsTouched) {
    const struct {
        const char* key;
        void (*set)(SettingsRecord&);
    } cases[] = {
        {"self_destruct_counter is 99", [](SettingsRecord& s) { s.self_destruct_limit = 99; }},
        {"min_password_length is 40", [](SettingsRecord& s) { s.min_password_length = 40; }},
        {"auto_lock_delay is 500", [](SettingsRecord& s) { s.auto_lock_delay = 500; }},
        {"admin_language is 9",  // the window writes the admin language into active_language too
         [](SettingsRecord& s) { s.admin_language = s.active_language = 9; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        qx7::storage::ConfigFilePayload payload;
        payload.change_mask = kChangeSettings;
        payload.settings = SettingsRecord::Decode(qx7::sim::DefaultDrive(0).settings);
        c.set(payload.settings);
        const std::string config = Path("range.qx7");
        ASSERT_EQ(qx7::storage::SaveConfigFile(config, payload), qx7::storage::ConfigFileError::None);

        const ProcessRun run = Run("--trace " + ApplyArgs(config));
        EXPECT_EQ(run.exit_code, 2);  // an input error: no drive was touched
        EXPECT_EQ(run.out, "");
        EXPECT_NE(err_.find(c.key), std::string::npos) << err_;
        EXPECT_EQ(err_.find("scsi"), std::string::npos) << err_;
        EXPECT_FALSE(fs::exists(state_));  // the simulated drives were not even opened
    }
}

TEST_F(ApplyTest, EachDriveKeepsTheBytesTheFormNeitherShowsNorSets) {
    // Two drives with bytes of their own: the user-password flag (0x200) and
    // an unknown bit (0x800) on the first, different password classes and
    // reserved bytes on both.
    SettingsRecord first = SettingsRecord::Decode(qx7::sim::DefaultDrive(0).settings);
    first.policy_flags |= kPolicyUserPassword | 0x800;
    first.password_char_class = 0x7F;
    first.reserved_4 = {1, 2, 3, 4};
    first.reserved_19 = 9;
    first.reserved_40 = {24, 25, 26, 27, 28, 29, 30, 31};
    SettingsRecord second = SettingsRecord::Decode(qx7::sim::DefaultDrive(1).settings);
    second.password_char_class = 0x7D;
    second.reserved_26 = {14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
    Write("state.json",
          nlohmann::json({{"drives", {{{"settings_hex", HexOf(first)}}, {{"settings_hex", HexOf(second)}}}}}).dump());
    const std::string config = ConfigNew(FullForm());  // made without a drive: those bytes are zero

    const ProcessRun run = Run(ApplyArgs(config, "--all"));
    ASSERT_EQ(run.exit_code, 0) << run.out << err_;
    const nlohmann::json drives = State().at("drives");
    for (const auto& [index, original] : {std::pair<int, SettingsRecord>{0, first}, {1, second}}) {
        SCOPED_TRACE("drive " + std::to_string(index + 1));
        const SettingsRecord now = RecordOf(drives[index]);
        // The file's settings...
        EXPECT_EQ(now.self_destruct_limit, 30);
        EXPECT_EQ(now.min_password_length, 10);
        EXPECT_EQ(now.auto_lock_delay, 150);
        EXPECT_EQ(now.block_menu_mask, 6148u);
        EXPECT_EQ(now.user_language, 1);
        EXPECT_EQ(now.policy_flags & (kPolicyRandomKeypad | kPolicyReadOnly), 0u);
        // ...and the drive's own bytes.
        EXPECT_EQ(now.policy_flags & (kPolicyUserPassword | 0x800),
                  original.policy_flags & (kPolicyUserPassword | 0x800));
        EXPECT_EQ(now.password_char_class, original.password_char_class);
        EXPECT_EQ(now.reserved_4, original.reserved_4);
        EXPECT_EQ(now.reserved_19, original.reserved_19);
        EXPECT_EQ(now.reserved_26, original.reserved_26);
        EXPECT_EQ(now.reserved_40, original.reserved_40);
    }
}

TEST_F(ApplyTest, TheLogFailureIsReportedOnlyWhenTheLogFailed) {
    // Drive 2 is unlocked by its user and holds a minimum length the form
    // refuses, so the form cannot be read when the run ends.
    const std::string user_drive =
        "80000000"
        "00000000"
        "0a000000"
        "00000000"
        "047e0001"
        "00000000"
        "3c00" +
        std::string(52, '0');
    Write("state.json", R"({"drives": [{}, {"mode": "user", "settings_hex": ")" + user_drive + R"("}]})");
    const std::string config = ConfigNew(FullForm());

    for (const std::string options : {"--all", "--all --no-log"}) {
        SCOPED_TRACE(options);
        const ProcessRun run = Run(ApplyArgs(config, options));
        EXPECT_EQ(run.exit_code, 1);  // drive 2 failed
        EXPECT_NE(run.out.find("line 1: QX7SIM0000000001: configured"), std::string::npos) << run.out;
        EXPECT_EQ(err_.find("could not be written"), std::string::npos) << err_;
        EXPECT_EQ(run.out.find("log: ") != std::string::npos, options == "--all") << run.out;
    }

    // A folder where no file can be created is refused before the drive is
    // touched, so no configured drive is left out of a log.
#ifdef _WIN32
    GTEST_SKIP() << "no folder that refuses new files to its owner on Windows (/proc/self elsewhere)";
#endif
    const std::string before = Read(state_);
    const ProcessRun run = Run("apply " + Quoted(config) + " --drive 1 --no-auto-save --folder /proc/self" +
                               " --password-file " + Quoted(Path("password.txt")));
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(err_.find("Cannot write files into the folder /proc/self"), std::string::npos) << err_;
    EXPECT_EQ(Read(state_), before);
}

TEST_F(ApplyTest, WhatADriveReportsAboutItselfIsPrintedAndLoggedEscaped) {
    // The serial number is the drive id's bytes: an escape sequence that
    // clears the screen, a line end and a forged result line.
    const std::string serial = "\x1b[2J\nline 9: ZZZ";
    Write("state.json",
          nlohmann::json({{"drives",
                           {{{"device_id", qx7::strings::ToHex(std::span(
                                               reinterpret_cast<const std::uint8_t*>(serial.data()), serial.size()))},
                             {"product", "QX7\x1b[31m\nX"},
                             {"serial_string", "S\x1b]0;title\x07"}}}}})
              .dump());
    const std::string config = ConfigNew(FullForm());

    const ProcessRun applied = Run(ApplyArgs(config));
    ASSERT_EQ(applied.exit_code, 0) << err_;
    const std::string result = applied.out.substr(0, applied.out.find("log: "));
    // The line when the drive was written, then the one after its read-back:
    // each one line, the drive's text escaped.
    const std::string label = "line 1: \\x1B[2J\\x0Aline 9: ZZZ: ";
    EXPECT_EQ(result.rfind(label + "written (", 0), 0u) << result;
    EXPECT_NE(result.find("\n" + label + "configured (verified, "), std::string::npos) << result;
    EXPECT_EQ(std::count(result.begin(), result.end(), '\n'), 2) << result;
    std::string log;
    for (const auto& entry : fs::directory_iterator(Path("out"))) {
        if (entry.path().extension() == ".txt") log = Read(entry.path().string());
    }
    EXPECT_EQ(log, "\\x1B[2J\\x0Aline 9: ZZZ\r\n");

    const ProcessRun json = Run("show --json");
    ASSERT_EQ(json.exit_code, 0) << err_;
    EXPECT_EQ(nlohmann::json::parse(json.out).at("serial"), serial);
    for (const std::string command : {"show", "show --json", "list", "list --verbose"}) {
        const ProcessRun run = Run(command);
        EXPECT_EQ(run.exit_code, 0) << command;
        EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << command << "\n" << run.out;
        EXPECT_EQ(run.out.find('\x07'), std::string::npos) << command;
        EXPECT_EQ(run.out.find("\nline 9"), std::string::npos) << command;
        EXPECT_EQ(run.out.find("\nX"), std::string::npos) << command;
    }
}

TEST_F(ApplyTest, ThePasswordIsTheFirstLineOfARegularFileOrStandardInput) {
    const std::string config = ConfigNew(FullForm());
    const std::string args = "apply " + Quoted(config) + " --folder " + Quoted(Path("out")) + " --password-file ";

    ProcessRun piped = Run(args + "- < " + Quoted(Write("stdin.txt", "QX7ADMIN\n")));
    EXPECT_EQ(piped.exit_code, 0) << err_;
    EXPECT_NE(piped.out.find("configured"), std::string::npos) << piped.out;
    EXPECT_EQ(Run(args + Quoted(Write("crlf.txt", "QX7ADMIN\r\nsecond line\n"))).exit_code, 0) << err_;

    const struct {
        std::string password_file;
        const char* problem;
    } refused[] = {
#ifndef _WIN32
        {"/dev/zero", "/dev/zero is not a regular file"},
        {"- < /dev/zero", "standard input has a first line longer than 256 bytes"},
#else
        {"NUL", "NUL is not a regular file"},
#endif
        {Quoted(Write("long.txt", std::string(300, 'A') + "\n")), "has a first line longer than 256 bytes"},
        {Quoted(Write("empty.txt", "\nQX7ADMIN\n")), "is empty"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.password_file);
        const ProcessRun run = Run(args + c.password_file, 20);
        EXPECT_EQ(run.exit_code, 2);
        EXPECT_NE(err_.find(c.problem), std::string::npos) << err_;
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
