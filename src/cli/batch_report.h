#pragma once
// The report of an apply run, for a person or a script: JSON or CSV by the
// file's extension, written atomically (a reader sees the old report or the
// new one), rewritten as drives finish so that an interrupted run leaves
// what it did.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/provisioning.h"

namespace qx7::cli {

enum class ReportFormat { Json, Csv };

// By the extension (.json, .csv, any case); nothing for another one.
std::optional<ReportFormat> ReportFormatOf(const std::filesystem::path& path);

struct RunSummary {
    std::string mode;  // "batch" or "watch"
    std::chrono::system_clock::time_point started;
    std::optional<std::chrono::system_clock::time_point> finished;  // none while running
    bool interrupted = false;
    std::optional<std::filesystem::path> log;
    std::optional<int> exit_status;  // none while running
};

std::string FormatReport(ReportFormat format, const RunSummary& run, const std::vector<app::DriveOutcome>& drives);

// Writes the report; false with *error set when it could not be written.
bool WriteReport(const std::filesystem::path& path, ReportFormat format, const RunSummary& run,
                 const std::vector<app::DriveOutcome>& drives, std::string* error);

// "2026-12-10T16:03:29.123Z".
std::string IsoTime(std::chrono::system_clock::time_point time);

}  // namespace qx7::cli
