// What scripts and administrators rely on in qx7ctl: its exit statuses, the
// choice of a drive by serial number, the JSON of list and show, where the
// password comes from, whose message a line of --all is, and the language
// of the tool's own messages.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/qx7ctl_fixture.h"
#include "sim/sim_drive.h"
#include "strings/hex.h"

namespace {

using qx7::test::ProcessRun;
using Qx7ctl = qx7::test::Qx7ctlTest;

constexpr const char* kTwoDrives = R"({"drives": [{}, {}]})";

TEST_F(Qx7ctl, ExitStatusSeparatesUsageErrorsFromFailures) {
    Write("state.json", kTwoDrives);
    const struct {
        const char* arguments;
        int exit_code;
    } cases[] = {
        {"list", 0},
        {"--help", 0},
        {"show --help", 0},
        {"--version", 0},
        // Refused by the argument parser, whatever its own error number.
        {"", 2},
        {"frobnicate", 2},
        {"show --bogus", 2},
        {"show --drive 0", 2},
        {"show --drive -1", 2},
        {"show --drive two", 2},
        {"show --drive 1 --serial QX7SIM0000000001", 2},
        {"--lang fr list", 2},
        {"apply", 2},
        {"config new out.qx7", 2},
        {"config new out.qx7 --form f.json --from-drive 0", 2},
        {"apply c.qx7 --all --jobs 0", 2},
        {"apply c.qx7 --count 2", 2},
        {"apply c.qx7 --watch --all", 2},
        {"apply c.qx7 --watch --count 0", 2},
        // A number the drive list does not print is refused like --drive 0.
        {"show --drive 3", 2},
        // The command line is fine; what it names is not there or is bad.
        {"show --serial NOSUCHSERIAL", 1},
        {"config show missing.qx7", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProcessRun run = Run(c.arguments);
        EXPECT_EQ(run.exit_code, c.exit_code) << err_;
        // A refused value is named in a line a person can read, not with the
        // largest number a double holds.
        EXPECT_LT(err_.size(), 400u) << err_;
    }
    Run("show --drive 0");
    EXPECT_NE(err_.find("'0' is not a line of the drive list"), std::string::npos) << err_;
    Run("apply c.qx7 --watch --count 0");
    EXPECT_NE(err_.find("not in range 1 to 1000000"), std::string::npos) << err_;
    // A word that names no command is said to be one, with the commands.
    Run("--lang en frobnicate");
    EXPECT_EQ(err_,
              "qx7ctl: unknown command 'frobnicate'; the commands are list, show, apply, config, "
              "check-update\n");
}

TEST_F(Qx7ctl, ShowJsonNamesTheModeAndTheUnpaddedLine) {
    const struct {
        const char* drive;
        const char* mode;
        int exit_code;
    } cases[] = {
        {"{}", "admin", 0},
        {R"({"mode": "user"})", "user", 0},
        {R"({"mode": "locked"})", "locked", 1},
        {R"({"faults": [{"cdb_prefix": "3c01ce32", "mode": "io"}]})", "unreadable", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        Write("state.json", std::string(R"({"drives": [)") + c.drive + "]}");
        const ProcessRun run = Run("show --json");
        EXPECT_EQ(run.exit_code, c.exit_code) << err_;
        const auto json = nlohmann::json::parse(run.out);
        EXPECT_EQ(json.at("mode"), c.mode);
        EXPECT_EQ(json.at("line"), "1: QX7 /media/qx7sim/1 /dev/qx7sim/1/cdrom");
    }
}

TEST_F(Qx7ctl, ListJsonGivesEachListedDriveWithItsSerial) {
    Write("state.json", R"({"drives": [{}, {"plugged": false}, {"mode": "locked"}]})");
    const ProcessRun run = Run("list --json");
    ASSERT_EQ(run.exit_code, 0) << err_;
    const auto drives = nlohmann::json::parse(run.out).at("drives");
    ASSERT_EQ(drives.size(), 2u) << run.out;
    EXPECT_EQ(drives[0].at("line"), 1);
    EXPECT_EQ(drives[0].at("serial"), "QX7SIM0000000001");
    EXPECT_EQ(drives[0].at("product"), "QX7");
    EXPECT_EQ(drives[0].at("usb_id"), "230a:1180");
    EXPECT_EQ(drives[0].at("usb_serial_number"), "QX7SIM0000000001");
    EXPECT_EQ(drives[0].at("volumes"), nlohmann::json::array({"/media/qx7sim/1", "/dev/qx7sim/1/cdrom"}));
    EXPECT_EQ(drives[1].at("line"), 2);
    EXPECT_EQ(drives[1].at("serial"), "QX7SIM0000000003");

    Write("state.json", R"({"drives": [{"plugged": false}]})");
    const ProcessRun none = Run("list --json");
    EXPECT_EQ(none.exit_code, 0);
    EXPECT_EQ(nlohmann::json::parse(none.out), nlohmann::json::parse(R"({"drives": []})"));
}

TEST_F(Qx7ctl, SerialChoosesTheDriveWhateverItsLine) {
    Write("state.json", kTwoDrives);
    const ProcessRun shown = Run("show --json --serial QX7SIM0000000002");
    ASSERT_EQ(shown.exit_code, 0) << err_;
    const auto json = nlohmann::json::parse(shown.out);
    EXPECT_EQ(json.at("serial"), "QX7SIM0000000002");
    EXPECT_EQ(json.at("line").get<std::string>().rfind("2: ", 0), 0u);

    // apply writes the drive with that serial number and no other.
    const std::string config = ConfigNew(FullForm());
    // A key the file leaves out has the default drive's value.
    const auto settings_of = [this](std::size_t i) {
        return State().at("drives").at(i).value("settings_hex",
                                                qx7::strings::ToHex(qx7::sim::DefaultDrive(i).settings));
    };
    const std::string before = settings_of(0);
    const ProcessRun applied = Run("apply " + Quoted(config) + " --serial QX7SIM0000000002 --password-file " +
                                   Quoted(Write("pw.txt", "QX7ADMIN\n")) + " --folder " + Quoted(Path("out")));
    ASSERT_EQ(applied.exit_code, 0) << applied.out << err_;
    EXPECT_EQ(applied.out.rfind("line 2: QX7SIM0000000002: written (", 0), 0u) << applied.out;
    EXPECT_NE(applied.out.find("\nline 2: QX7SIM0000000002: configured ("), std::string::npos) << applied.out;
    EXPECT_EQ(settings_of(0), before);
    EXPECT_NE(settings_of(1), before);

    // A serial number no drive has writes nothing.
    const std::string all_before = State().dump();
    const ProcessRun unknown = Run("apply " + Quoted(config) + " --serial QX7SIM0000000009 --password-file " +
                                   Quoted(Path("pw.txt")) + " --folder " + Quoted(Path("out")));
    EXPECT_EQ(unknown.exit_code, 1);
    EXPECT_NE(err_.find("No listed drive has the serial number QX7SIM0000000009; the listed lines are: 1, 2."),
              std::string::npos)
        << err_;
    EXPECT_EQ(State().dump(), all_before);
}

TEST_F(Qx7ctl, PasswordFromStandardInputAndNoneWithoutATerminal) {
    const std::string config = ConfigNew(FullForm());
    const std::string apply = "apply " + Quoted(config) + " --folder " + Quoted(Path("out"));

    const ProcessRun piped = Run(apply + " --password-file - < " + Quoted(Write("pw.txt", "QX7ADMIN\n")));
    EXPECT_EQ(piped.exit_code, 0) << piped.out << err_;
    EXPECT_NE(piped.out.find(": configured"), std::string::npos) << piped.out;

    // No file and no terminal to ask on: a usage error before any drive is read.
    const ProcessRun no_terminal = Run("--trace " + apply + " < /dev/null");
    EXPECT_EQ(no_terminal.exit_code, 2);
    EXPECT_NE(err_.find("No password: give --password-file"), std::string::npos) << err_;
    EXPECT_EQ(err_.find("scsi "), std::string::npos) << err_;
    // On a terminal it is asked for: posix/terminal_password_test.cpp.
}

TEST_F(Qx7ctl, WithAllEveryMessageOfADriveNamesItsLineAndSerial) {
    // Drive 2 is unlocked by its user: it has a message, and its reading a
    // diagnostic line; drive 1 has none.
    Write("state.json", R"({"drives": [{}, {"mode": "user"}]})");
    const std::string config = ConfigNew(FullForm());
    const ProcessRun run = Run("apply " + Quoted(config) + " --all --password-file " +
                               Quoted(Write("pw.txt", "QX7ADMIN\n")) + " --folder " + Quoted(Path("out")));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(err_.find("connected with the User's password"), std::string::npos) << err_;
    std::istringstream lines(err_);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_EQ(line.rfind("line 2: QX7SIM0000000002: ", 0), 0u) << line;
    }
    EXPECT_GT(count, 0);
}

TEST_F(Qx7ctl, OwnMessagesFollowLangAndTheLocale) {
    Write("state.json", kTwoDrives);
    const char* english = "No listed drive has the serial number X; the listed lines are: 1, 2.";
    const char* korean = "일련 번호가 X인 드라이브가 목록에 없습니다. 목록의 줄: 1, 2.";
    const struct {
        const char* environment;
        const char* lang;
        const char* expected;
    } cases[] = {
        {"", "--lang en", english},
        {"", "--lang ko", korean},
#ifndef _WIN32
        // On Windows the language is the user's interface language, not
        // the environment's.
        {"", "", english},
        {"LANG=ko_KR.UTF-8", "", korean},
        {"LC_MESSAGES=ko_KR.UTF-8", "", korean},
        {"LANG=ko_KR.UTF-8 LC_ALL=C", "", english},
        {"LANG=ko_KR.UTF-8", "--lang en", english},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.environment) + " " + c.lang);
        const ProcessRun run = Run(std::string(c.lang) + " show --serial X", 60, c.environment);
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_EQ(err_, std::string(c.expected) + "\n");
    }
    const std::string form = Write("form.json", "[1]");
    EXPECT_EQ(Run("--lang ko config new " + Quoted(Path("out.qx7")) + " --form " + Quoted(form)).exit_code, 1);
    EXPECT_EQ(err_, form + ": 양식은 JSON 객체여야 합니다.\n");
    // The string-table texts follow the same language.
    Write("state.json", R"({"drives": [{"plugged": false}]})");
    EXPECT_EQ(Run("--lang ko list").out, "감지된 드라이브 없음\n");
#ifndef _WIN32
    EXPECT_EQ(Run("list", 60, "LANG=ko_KR.UTF-8").out, "감지된 드라이브 없음\n");
#endif
}

TEST_F(Qx7ctl, ValuesForScriptsAreTheSameInEveryLanguage) {
    // A drive without a setup ID: the report's and show --json's value for
    // it is not translated.
    const std::string apply = "apply " + Quoted(ConfigNew(FullForm())) + " --password-file " +
                              Quoted(Write("password.txt", "QX7ADMIN\n")) + " --folder " + Quoted(Path("out")) +
                              " --no-log --no-auto-save --report " + Quoted(Path("report.json"));
    for (const char* lang : {"en", "ko"}) {
        SCOPED_TRACE(lang);
        Write("state.json", R"({"drives": [{}]})");
        const ProcessRun show = Run(std::string("--lang ") + lang + " show --json");
        ASSERT_EQ(show.exit_code, 0) << err_;
        EXPECT_EQ(nlohmann::json::parse(show.out).at("current_setup_id"), "No Previous Setup ID");
        ASSERT_EQ(Run(std::string("--lang ") + lang + " " + apply).exit_code, 0) << err_;
        const nlohmann::json drive = nlohmann::json::parse(Read(Path("report.json"))).at("drives").at(0);
        EXPECT_EQ(drive.at("previous_setup_id"), "No Previous Setup ID");
        EXPECT_EQ(drive.at("new_setup_id").get<std::string>().size(), 13u) << drive.dump();  // 2026-12-10-16
    }
}

TEST_F(Qx7ctl, EachMessageIsOneLine) {
    // Texts of the window's message boxes that hold a line break.
    const std::string not_a_file = Write("other.qx7", std::string(320, 'A'));  // no settings data once deciphered
    const std::string form = Write("form.json", R"({"current_password": "QX7ADMIN"})");
    const std::string password = Quoted(Write("password.txt", "QX7ADMIN\n"));
    const char* no_settings = "Failed! Can't find QX7 Settings data file.\n";
    const char* user_mode =
        "The QX7 device is connected with the User's password! Please reconnect QX7 using the Administrator's "
        "password.\n";
    const struct {
        std::string command;
        const char* message;
    } cases[] = {
        {"config show " + Quoted(not_a_file), no_settings},
        {"config new " + Quoted(Path("new.qx7")) + " --form " + Quoted(form) + " --base " + Quoted(not_a_file),
         no_settings},
        {"apply " + Quoted(not_a_file) + " --password-file " + password, no_settings},
        {"show", user_mode},
    };
    Write("state.json", R"({"drives": [{"mode": "user"}]})");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Run(c.command);
        EXPECT_EQ(err_, c.message);
    }
}

TEST_F(Qx7ctl, ListVerboseTellsAnIoErrorFromADriveWithoutState) {
    Write("state.json", R"({"drives": [{"faults": [{"cdb_prefix": "3c0152", "mode": "io"}]},
                                      {"faults": [{"cdb_prefix": "3c0152", "mode": "check"}]}]})");
    const ProcessRun run = Run("list --verbose");
    EXPECT_EQ(run.exit_code, 0) << err_;
    EXPECT_NE(run.out.find("not listed: reading its id block failed: an I/O error"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("not listed: reading its id block failed: the drive refused it with SCSI status 0x02"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("reports no state"), std::string::npos) << run.out;
}

}  // namespace
