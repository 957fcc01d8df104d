#pragma once
// Runs a shell command as a child process and collects its standard output
// and exit code, for tests of the programs themselves.

#include <string>

namespace qx7::test {

struct ProcessRun {
    int exit_code = -1;  // -1 when the command did not exit normally
    std::string out;
};

ProcessRun RunShellCommand(const std::string& command);

}  // namespace qx7::test
