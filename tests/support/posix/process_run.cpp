#include "support/process_run.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace qx7::test {

ProcessRun RunShellCommand(const std::string& command) {
    ProcessRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace qx7::test
