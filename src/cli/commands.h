#pragma once
// The subcommands of qx7ctl. Each Add*Command registers one subcommand on
// the application; its callback stores the process exit code in `exit_code`.

#include <CLI/CLI.hpp>

#include <ctime>
#include <optional>
#include <string>

#include "strings/string_table.h"

namespace qx7::transport {
class DeviceEnumerator;
struct DriveTable;
}  // namespace qx7::transport

namespace qx7::cli {

// Exit statuses; scripts depend on them, so they stay as they are.
inline constexpr int kExitSuccess = 0;  // the command did what it was asked
inline constexpr int kExitFailure = 1;  // the operation failed: a drive refused, a file is bad, ...
inline constexpr int kExitUsage = 2;    // the command line was refused

struct GlobalOptions {
    std::string sim_state;    // --sim FILE: use the simulator instead of real drives
    bool trace = false;       // --trace: one line per SCSI command on stderr, secrets redacted
    bool trace_full = false;  // --trace-full: the same with every byte (implies --trace)
    bool sim_waits = false;   // --sim-waits: simulated drives get the pauses of a real one
    // Of every message, the string tables' and qx7ctl's own: --lang, else
    // the locale's.
    strings::Language language = strings::Language::English;
    // Drives handed in by a caller instead of --sim or this machine's (the
    // tests' replayed traces); not owned, no hot-plug events. Null in qx7ctl.
    transport::DeviceEnumerator* drives = nullptr;
};

// Whether the pauses a drive needs (after opening it, after an upload)
// really pass: always for real drives, for simulated ones with --sim-waits.
inline bool RealWaits(const GlobalOptions& options) { return options.sim_state.empty() || options.sim_waits; }

// Which drive a command works on: the line of the drive list (--drive N) or
// the drive with a serial number (--serial S).
struct DriveChoice {
    std::size_t line = 1;  // 1-based
    std::string serial;    // when not empty, chooses instead of `line`
};

// Adds --drive N and --serial S to `command` (they exclude each other); the
// --drive option, for further excludes.
CLI::Option* AddDriveChoice(CLI::App& command, DriveChoice& choice);

// The drive a --drive or --serial names, or the exit status with the reason
// on standard error: a number the list does not print, or a serial number
// two listed drives have, is a refused command line; a serial no drive has
// is a failed search.
struct ChosenDrive {
    std::optional<std::size_t> line;  // 0-based line in the table
    int status = kExitFailure;        // when there is no line
    explicit operator bool() const { return line.has_value(); }
    std::size_t operator*() const { return *line; }
};

// --drive N names the number the list prints for a line; a serial number is
// looked up by reading each listed drive's identity.
ChosenDrive ChosenLine(const DriveChoice& choice, const transport::DriveTable& table,
                       transport::DeviceEnumerator& enumerator, strings::Language language);

// The number the drive list prints for 0-based line `line`: the drive's
// 1-based place in the drive table, which skips drives found but not listed.
std::size_t PrintedNumber(const transport::DriveTable& table, std::size_t line);
// "1, 3, 4": the numbers the drive list prints; "none" for an empty list.
std::string ListedNumbers(const transport::DriveTable& table);

// A validator for an option naming a line of the drive list: 1 or more.
CLI::Validator DriveLineNumber();

void AddListCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);
void AddShowCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);
void AddApplyCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);
void AddConfigCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);
void AddCheckUpdateCommand(CLI::App& app, const GlobalOptions& options, int& exit_code);

// The local date and time now.
std::tm LocalTimeNow();

}  // namespace qx7::cli
