#pragma once
// Runs a program on a pseudo-terminal of its own, as a person at a terminal
// would: what it prints and what the terminal echoes come back as one text.

#include <chrono>
#include <string>
#include <vector>

namespace qx7::test {

struct TerminalRun {
    int exit_code = -1;  // -1 when it did not exit normally (or was killed at the deadline)
    std::string screen;  // everything the terminal showed
    bool typed = false;  // the line was typed: the program had turned the echo off
};

// Runs `argv` (argv[0] a path) with the terminal as its standard input,
// output and error and `environment` ("NAME=value" each) as its whole
// environment. Once the program has turned the terminal's echo off, `line`
// is typed (followed by Enter); a program that never does is killed at the
// deadline.
TerminalRun RunOnTerminal(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                          const std::string& line, std::chrono::seconds deadline = std::chrono::seconds(60));

}  // namespace qx7::test
