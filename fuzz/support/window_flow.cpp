#include "support/window_flow.h"

#include "editor/control_id.h"

namespace qx7::fuzz {

void RunWindowFlow(transport::DeviceEnumerator& bus, strings::Language language, WindowFlow& flow,
                   const std::function<void(const app::Configurator&)>& after_each_read) {
    using editor::ControlId;
    app::Configurator window(flow.view, flow.host, bus, language);
    window.set_diagnostics(&flow.silent);
    window.Initialize();
    if (after_each_read) after_each_read(window);
    for (std::size_t line = 1; line < window.drive_table().listed_count(); ++line) {
        flow.view.SetComboIndex(ControlId::DriveList, static_cast<int>(line));
        window.OnDriveSelectionChanged();
        if (after_each_read) after_each_read(window);
    }
    window.OnCommand(ControlId::ReadRfidTag);
    window.OnCommand(ControlId::CopySerial);
    window.OnCommand(ControlId::CopyTags);
}

}  // namespace qx7::fuzz
