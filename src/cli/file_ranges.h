#pragma once
// Whether the settings form takes every value of a configuration file: a
// file is checked once, before any drive is touched, so that no drive
// receives a value the window would refuse.

#include <optional>
#include <string>

#include "storage/config_file.h"
#include "strings/string_table.h"

namespace qx7::cli {

// Nothing when the form takes the file's values; otherwise the form key,
// the file's value and the form's message, e.g. "self_destruct_counter is 99
// in the file: Enter an integer between 10 and 35.".
std::optional<std::string> FormRefusalOf(const storage::ConfigFilePayload& payload, strings::Language language);

}  // namespace qx7::cli
