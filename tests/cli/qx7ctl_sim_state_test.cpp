// qx7ctl --sim run as a separate process: a state file that cannot be used
// ends the run with one line and status 1, and touches nothing.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <string>

#include "support/process_run.h"
#include "support/temp_folder.h"

namespace {

class Qx7ctlSimState : public ::testing::Test {
protected:
    // Runs qx7ctl with `arguments` (already shell-quoted); standard error is
    // kept in err_.
    qx7::test::ProcessRun Run(const std::string& arguments) {
        const std::string err_file = (dir_ / "stderr.txt").string();
        qx7::test::ProcessRun run =
            qx7::test::RunShellCommand(std::string("'") + QX7CTL_PATH + "' " + arguments + " 2>'" + err_file + "'");
        std::ifstream in(err_file);
        err_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return run;
    }

    qx7::test::TempFolder temp_{"qx7ctl-sim"};
    const std::filesystem::path& dir_ = temp_.path();
    std::string err_;
};

TEST_F(Qx7ctlSimState, RefusesAnEmptyStateFileName) {
    const qx7::test::ProcessRun run = Run("--sim '' list");
    EXPECT_EQ(run.exit_code, 2);  // a usage error
    EXPECT_EQ(run.out, "");
    EXPECT_NE(err_.find("state file must be named"), std::string::npos) << err_;
}

TEST_F(Qx7ctlSimState, StateFilesThatCannotBeUsedEndWithOneLine) {
    const std::string too_large = R"({"drives": [{"languages": 1e999}]})";
    const std::filesystem::path number = dir_ / "number.json";
    std::ofstream(number) << too_large;
#ifndef _WIN32
    const std::filesystem::path fifo = dir_ / "fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const char* const fifo_refused = "is not a regular file";
#else
    // The device NUL: the file system says it does not exist, so the
    // session's attempt to create it is what fails.
    const std::filesystem::path fifo = "NUL";
    const char* const fifo_refused = "cannot replace NUL";
#endif
    const struct {
        std::filesystem::path path;
        const char* says;
    } cases[] = {
        {number, "not valid JSON"},
        {fifo, fifo_refused},
        {dir_, "is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        const qx7::test::ProcessRun run = Run("--sim '" + c.path.string() + "' list");
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_NE(err_.find("simulator state file " + c.path.string() + ": " + c.says), std::string::npos) << err_;
        EXPECT_EQ(err_.find('\n'), err_.size() - 1) << err_;
    }
    std::ifstream in(number);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), too_large);
}

}  // namespace
