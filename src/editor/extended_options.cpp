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
    {1184, BLOCK_MENU_USER_PASSWORD, std::nullopt, u"User Password"},
    {1125, BLOCK_MENU_CENTRAWATCH, StringId::DisableCentrawatchChange, u"Centrawatch"},
    {1129, BLOCK_MENU_AUTO_LOCK, std::nullopt, u"Auto-Lock"},
    {1122, BLOCK_MENU_STRONG_PASSWORD, StringId::DisableStrongPasswordChange, u"Strong Password"},
    {1123, BLOCK_MENU_ZEROIZE, StringId::DisableZeroize, u"Zeroize Drive"},
    {1124, BLOCK_MENU_RFID, StringId::DisableSwitchingOffRfid, u"RFID"},
    {1126, BLOCK_MENU_READ_ONLY, std::nullopt, u"Read-Only Mode"},
    {1121, BLOCK_MENU_SELF_DESTRUCT, StringId::DisableSelfDestructChange, u"Self Destruct"},
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
