#pragma once
// A SettingsRecord as JSON: every field by name, policy bits spelled out,
// carried-over bytes as hex.

#include <nlohmann/json.hpp>

#include "protocol/records.h"

namespace qx7::cli {

nlohmann::ordered_json SettingsToJson(const protocol::SettingsRecord& settings);

// "name: value" lines of a JSON object, nested objects indented.
void PrintFields(std::ostream& out, const nlohmann::ordered_json& object, int indent = 0);

}  // namespace qx7::cli
