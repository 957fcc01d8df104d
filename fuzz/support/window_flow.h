#pragma once
// The window's logic over a bus, as far as drives are concerned: set-up and
// the first scan (which reads the selected drive), a read of every other
// listed drive, the RFID tag read and the serial-number copy. The discovery
// target runs it over a fuzz bus and the seed maker over the simulator's,
// so that a seed's answers line up with the commands the target sends.

#include <functional>
#include <ostream>

#include "app/configurator.h"
#include "app/memory_form_view.h"
#include "app/scripted_host.h"
#include "transport/device_enumerator.h"

namespace qx7::fuzz {

struct WindowFlow {
    app::MemoryFormView view;
    app::ScriptedHost host;
    std::ostream silent{nullptr};  // the settings-read diagnostic goes nowhere
};

// Runs the steps above; `flow` keeps what the window showed.
void RunWindowFlow(transport::DeviceEnumerator& bus, strings::Language language, WindowFlow& flow,
                   const std::function<void(const app::Configurator&)>& after_each_read = {});

}  // namespace qx7::fuzz
