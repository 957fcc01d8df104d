// Needs a POSIX pseudo-terminal (script(1), termios echo) to type a password into qx7ctl.
// A password asked for on the terminal is typed there and never echoed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/qx7ctl_fixture.h"
#include "support/posix/terminal_run.h"

namespace {

using qx7::test::ProcessRun;
using Qx7ctlTerminal = qx7::test::Qx7ctlTest;

TEST_F(Qx7ctlTerminal, PasswordAskedOnTheTerminalOfScript) {
    const std::string config = ConfigNew(FullForm());
    const std::string apply = "apply " + Quoted(config) + " --folder " + Quoted(Path("out"));
    // On a terminal the password is asked for and not echoed. `script` runs
    // qx7ctl on a pseudo-terminal; the password is typed once the prompt has
    // turned the echo off.
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) for a terminal";
    const std::string command = std::string("'") + QX7CTL_PATH + "' --lang en --sim " + Quoted(state_) + " " + apply;
    std::ostringstream shell;
    shell << "(sleep 1; printf 'SECRETADMIN\\n') | script -qec \"" << command << "\" /dev/null";
    Write("state.json", R"({"drives": [{"admin_password": "SECRETADMIN"}]})");
    const ProcessRun asked = qx7::test::RunShellCommand(shell.str());
    EXPECT_EQ(asked.exit_code, 0) << asked.out;
    EXPECT_NE(asked.out.find("Current administrator password: "), std::string::npos) << asked.out;
    EXPECT_NE(asked.out.find(": configured"), std::string::npos) << asked.out;
    EXPECT_EQ(asked.out.find("SECRETADMIN"), std::string::npos) << asked.out;
}

TEST_F(Qx7ctlTerminal, APasswordTypedOnTheTerminalIsNotEchoed) {
    // Asked for without --password-file, or read from standard input with
    // "-" when that is a terminal: either way it is typed, and the echo is
    // off while it is.
    Write("state.json", R"({"drives": [{"admin_password": "SECRETADMIN"}]})");
    const std::string config = ConfigNew(FullForm());
    for (const bool from_standard_input : {false, true}) {
        SCOPED_TRACE(from_standard_input ? "--password-file -" : "asked");
        std::vector<std::string> argv = {QX7CTL_PATH, "--sim", state_, "apply", config, "--folder", Path("out")};
        if (from_standard_input) argv.insert(argv.end(), {"--password-file", "-"});
        const qx7::test::TerminalRun run =
            qx7::test::RunOnTerminal(argv, {"LANG=C.UTF-8", "PATH=/usr/bin:/bin"}, "SecretAdmin");
        EXPECT_TRUE(run.typed) << run.screen;
        EXPECT_EQ(run.exit_code, 0) << run.screen;
        EXPECT_NE(run.screen.find("Current administrator password: "), std::string::npos) << run.screen;
        EXPECT_NE(run.screen.find(": configured"), std::string::npos) << run.screen;
        EXPECT_EQ(run.screen.find("SecretAdmin"), std::string::npos) << run.screen;
        EXPECT_EQ(run.screen.find("SECRETADMIN"), std::string::npos) << run.screen;
    }
}

}  // namespace
