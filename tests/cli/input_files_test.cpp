// Every file a qx7ctl command reads or writes, given something that is not
// the file it expects: one line on standard error and exit status 1, never
// an abort, a hang or a read without end.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/qx7ctl_fixture.h"

namespace {

using qx7::test::ProcessRun;
using InputFiles = qx7::test::Qx7ctlTest;
namespace fs = std::filesystem;

TEST_F(InputFiles, EveryFileOptionRefusesWhatIsNotItsFile) {
    const std::string config = ConfigNew(FullForm());
    ASSERT_TRUE(fs::exists(config)) << err_;
    const std::string form = Write("form.json", FullForm().dump());
    const std::string password = Write("password.txt", "QX7ADMIN\n");
    const std::string huge = Path("huge");
    std::ofstream(huge).close();
    fs::resize_file(huge, std::uintmax_t{1} << 34);  // sparse: no disk space taken
    const std::string directory = dir_.string();
    std::vector<std::string> inputs = {directory, huge};
    std::vector<std::string> state_files = {directory};
#ifndef _WIN32
    const std::string fifo = Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // /proc/self/mem: regular, yet unreadable even for root.
    inputs.insert(inputs.end(), {fifo, "/proc/self/mem", "/dev/zero"});
    state_files.push_back(fifo);
#else
    inputs.push_back("NUL");  // a device, not a file
    state_files.push_back("NUL");
#endif

    // Each command with "X" where the file goes.
    const std::string commands[] = {
        "config new " + Quoted(Path("new.qx7")) + " --form X",
        "config new " + Quoted(Path("new.qx7")) + " --form " + Quoted(form) + " --base X",
        "config show X",
        "apply X --password-file " + Quoted(password) + " --folder " + Quoted(Path("out")),
        "apply " + Quoted(config) + " --password-file X --folder " + Quoted(Path("out")),
    };
    for (const std::string& command : commands) {
        for (const std::string& input : inputs) {
            const std::string line = command.substr(0, command.find(" X")) + " <" + input + ">";
            SCOPED_TRACE(line);
            std::string arguments = command;
            arguments.replace(arguments.find(" X") + 1, 1, Quoted(input));
            const ProcessRun run = Run(arguments, 20);
            // apply calls a refused input a usage error (2): no drive was touched.
            EXPECT_EQ(run.exit_code, command.starts_with("apply") ? 2 : 1);
            EXPECT_EQ(run.out, "");
            EXPECT_FALSE(err_.empty());
            EXPECT_EQ(err_.find('\n'), err_.size() - 1) << err_;  // one line
            EXPECT_FALSE(fs::exists(Path("new.qx7")));
        }
    }

    // Files written: a directory in the way of the new file, a folder that
    // is a file.
    EXPECT_EQ(Run("config new " + Quoted(directory) + " --form " + Quoted(form)).exit_code, 1);
    EXPECT_NE(err_.find("Can not create output file"), std::string::npos) << err_;
    EXPECT_EQ(Run("apply " + Quoted(config) + " --password-file " + Quoted(password) + " --folder " + Quoted(password))
                  .exit_code,
              2);
    EXPECT_NE(err_.find("Cannot create the folder"), std::string::npos) << err_;
    // The simulator's state file.
    for (const std::string& input : state_files) {
        const ProcessRun run = qx7::test::RunShellCommand("timeout 20 '" + std::string(QX7CTL_PATH) + "' --sim " +
                                                          Quoted(input) + " list 2>/dev/null");
        EXPECT_EQ(run.exit_code, 1) << input;
    }
}

}  // namespace
