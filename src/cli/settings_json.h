#pragma once
// A SettingsRecord as JSON: every field by name, policy bits spelled out,
// carried-over bytes as hex.

#include <string>

#include <nlohmann/json.hpp>

#include "protocol/records.h"

namespace qx7::cli {

nlohmann::ordered_json SettingsToJson(const protocol::SettingsRecord& settings);

// "name: value" lines of a JSON object, nested objects indented; control
// characters in texts are escaped, so each field stays one line.
void PrintFields(std::ostream& out, const nlohmann::ordered_json& object, int indent = 0);

// The JSON text of an object, indented, with every character outside ASCII
// (control characters included) written as a \u escape: valid JSON that
// is also safe on a terminal, whatever a drive's texts hold.
std::string JsonText(const nlohmann::ordered_json& object);

}  // namespace qx7::cli
