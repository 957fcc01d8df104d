#pragma once
// The review of an upload before it is sent: what it would change on the
// drive at hand, and what the drive would keep against the file.

#include <optional>
#include <string>
#include <vector>

#include "app/configurator.h"
#include "editor/form_values.h"
#include "editor/settings_difference.h"
#include "protocol/records.h"
#include "storage/config_file.h"

namespace qx7::app {

// What the drive keeps against the file's wish, one text each: once on,
// Centrawatch is never switched off by an upload. `to_come`: said of an
// upload not yet sent ("stays on") rather than of one done ("stayed on").
// `values` is the form as the upload gathers it.
std::vector<std::u16string> KeptAgainstFile(const storage::ConfigFilePayload& payload, const editor::FormValues& values,
                                            bool to_come);

// What the upload `configurator` is ready to send would change on its drive,
// whose record was `read` before the file was imported; nothing (the
// refusal's message shown) when the upload would be refused before
// anything is sent. Sends nothing.
std::optional<std::vector<editor::FieldChange>> PreviewUpload(Configurator& configurator,
                                                              const protocol::SettingsRecord& read);

}  // namespace qx7::app
