#pragma once
// The subcommands of qx7ctl. Each Add*Command registers one subcommand on
// the application; its callback stores the process exit code in `exit_code`.

#include <CLI/CLI.hpp>

#include <ctime>

#include "strings/string_table.h"

namespace qx7::cli {

struct GlobalOptions {
    std::string sim_state;    // --sim FILE: use the simulator instead of real drives
    bool trace = false;       // --trace: one line per SCSI command on stderr, secrets redacted
    bool trace_full = false;  // --trace-full: the same with every byte (implies --trace)
    strings::Language language = strings::Language::English;  // of the system's messages
};

void AddListCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);
void AddShowCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);
void AddApplyCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);
void AddConfigCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);
void AddCheckUpdateCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);

// The local date and time now.
std::tm LocalTimeNow();

}  // namespace qx7::cli
