#pragma once
// Fills the settings form from a JSON object of form values, the way an
// administrator fills the window: each value goes into its control and the
// control's handler runs, so the same rules apply to the same form.

#include <span>
#include <string>

#include <nlohmann/json.hpp>

#include "app/configurator.h"
#include "editor/form_view.h"

namespace qx7::cli {

// False with *error naming the key when a key is unknown or its value has
// the wrong type or range.
bool ApplyFormJson(const nlohmann::json& form, app::Configurator& configurator, editor::FormView& view,
                   std::string* error);

// The keys of the settings a file with "Change Settings" writes to a drive:
// the numbers, the languages, the radio pairs and the extended options.
std::span<const char* const> SettingsKeys();

// The key of the control `id` (a number, a language list or the first
// button of a radio pair); empty for another control.
std::string FormKeyOf(editor::ControlId id);

}  // namespace qx7::cli
