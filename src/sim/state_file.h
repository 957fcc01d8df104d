#pragma once
// The simulator's state file: JSON text holding every simulated drive's
// flash, {"drives": [ {...}, ... ]}. docs/simulator.md describes each key.

#include <optional>
#include <string>
#include <string_view>

#include "sim/sim_drive.h"

namespace qx7::sim {

// Reads the text of a state file. Keys left out take the values of
// DefaultDrive(index); unknown keys, wrong types and wrong lengths are
// refused. On a problem returns nothing and sets *error to a message naming
// the key (with the drive index) and what is wrong.
std::optional<SimState> ParseStateFile(std::string_view text, std::string* error);

// The text of `state`: every key written, byte strings as lower-case hex,
// two-space indentation, a final newline. ParseStateFile reads it back equal.
std::string FormatStateFile(const SimState& state);

}  // namespace qx7::sim
