#pragma once
// What apply --dry-run prints: per drive, what the upload would change
// (field, now -> then) and what the drive would keep against the file, as
// lines for a person or as one JSON object for a script.

#include <string>
#include <vector>

#include "app/provisioning.h"

namespace qx7::cli {

// The lines of a previewed drive after its `label` ("line 1: SERIAL"):
// "LABEL: would change 3 fields" (or "no change"), then one indented line
// per change ("  self_destruct_counter: 10 → 30") and per warning
// ("  warning: ...").
std::string PreviewText(const std::string& label, const app::DriveOutcome& drive);

// The dry run as one JSON object: {"dry_run": true, "exit_status": N,
// "drives": [{"line", "serial", "result", "error", "current_setup_id",
// "new_setup_id", "changes": [{"field", "before", "after"}], "warnings"}]}.
std::string DryRunJson(const std::vector<app::DriveOutcome>& drives, int exit_status);

}  // namespace qx7::cli
