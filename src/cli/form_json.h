#pragma once
// Fills the settings form from a JSON object of form values, the way an
// administrator fills the window: each value goes into its control and the
// control's handler runs, so the same rules apply to the same form.

#include <string>

#include <nlohmann/json.hpp>

#include "app/configurator.h"
#include "editor/form_view.h"

namespace qx7::cli {

// False with *error naming the key when a key is unknown or its value has
// the wrong type or range.
bool ApplyFormJson(const nlohmann::json& form, app::Configurator& configurator,
                   editor::FormView& view, std::string* error);

}  // namespace qx7::cli
