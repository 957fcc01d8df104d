// The block-menu options and the Centrawatch administrator mode, as the
// extended options dialog shows and returns them.

#include "editor/settings_form.h"
#include "protocol/constants.h"

namespace qx7::editor {
namespace {

using namespace protocol;
using strings::StringId;

// Screen order, top to bottom.
constexpr ExtendedOptionBox kBoxes[] = {
    {1128, 0, StringId::CentrawatchInAdminMode, u"Use Centrawatch in Administrator mode"},
    {1184, kBlockMenuUserPassword, std::nullopt, u"User Password"},
    {1125, kBlockMenuCentrawatch, StringId::DisableCentrawatchChange, u"Centrawatch"},
    {1129, kBlockMenuAutoLock, std::nullopt, u"Auto-Lock"},
    {1122, kBlockMenuStrongPassword, StringId::DisableStrongPasswordChange, u"Strong Password"},
    {1123, kBlockMenuZeroize, StringId::DisableZeroize, u"Zeroize Drive"},
    {1124, kBlockMenuRfid, StringId::DisableSwitchingOffRfid, u"RFID"},
    {1126, kBlockMenuReadOnly, std::nullopt, u"Read-Only Mode"},
    {1121, kBlockMenuSelfDestruct, StringId::DisableSelfDestructChange, u"Self Destruct"},
};

}  // namespace

std::span<const ExtendedOptionBox> ExtendedOptionBoxes() { return kBoxes; }

void SettingsForm::ApplyExtendedOptions(const ExtendedOptions& chosen) {
    // The dialog's mask replaces the whole value; administrator mode, once
    // on, cannot be turned off from there.
    extended_.mask = chosen.mask;
    if (chosen.centrawatch_admin_mode) extended_.centrawatch_admin_mode = true;
}

}  // namespace qx7::editor
