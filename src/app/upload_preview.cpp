#include "app/upload_preview.h"

#include "protocol/constants.h"

namespace qx7::app {

std::vector<std::u16string> KeptAgainstFile(const storage::ConfigFilePayload& payload, const editor::FormValues& values,
                                            bool to_come) {
    std::vector<std::u16string> kept;
    // The form keeps the Centrawatch pair on once a drive had it on, so the
    // upload sends it on whatever the file says.
    if ((payload.change_mask & protocol::kChangeSettings) != 0 &&
        (payload.settings.policy_flags & protocol::kPolicyCentrawatch) == 0 && values.centrawatch == editor::kEnable) {
        kept.push_back(std::u16string(to_come ? u"Centrawatch stays on" : u"Centrawatch stayed on") +
                       u": once on, it cannot be switched off");
    }
    return kept;
}

std::optional<std::vector<editor::FieldChange>> PreviewUpload(Configurator& configurator,
                                                              const protocol::SettingsRecord& read) {
    const std::optional<editor::GatheredSettings> gathered = configurator.PrepareUpload();
    if (!gathered) return std::nullopt;
    return editor::UploadChanges(read, gathered->upload);
}

}  // namespace qx7::app
