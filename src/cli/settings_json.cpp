#include "cli/settings_json.h"

#include <ostream>

#include "protocol/constants.h"
#include "protocol/drive_messages.h"
#include "strings/control_escape.h"
#include "strings/hex.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using namespace protocol;

std::string LanguageName(std::uint8_t index) {
    return index < kLanguageCount ? kLanguageNames[index] : "unknown (" + std::to_string(index) + ")";
}

}  // namespace

nlohmann::ordered_json SettingsToJson(const SettingsRecord& s) {
    const std::uint32_t p = s.policy_flags;
    nlohmann::ordered_json policy = {
        {"random_keypad", (p & kPolicyRandomKeypad) != 0},
        {"key_tone_off", (p & kPolicyKeyToneOff) != 0},
        {"self_destruct", (p & kPolicySelfDestruct) != 0},
        {"rfid", (p & kPolicyRfid) != 0},
        {"centrawatch", (p & kPolicyCentrawatch) != 0},
        {"auto_lock", (p & kPolicyAutoLock) != 0},
        {"read_only", (p & kPolicyReadOnly) != 0},
        {"strong_password", (p & kPolicyStrongPassword) != 0},
        {"user_password", (p & kPolicyUserPassword) != 0},
        {"virtual_cd_off", (p & kPolicyVirtualCdOff) != 0},
        {"centrawatch_admin", (p & kPolicyCentrawatchAdmin) != 0},
    };
    const std::uint32_t m = s.block_menu_mask;
    nlohmann::ordered_json block_menu = {
        {"self_destruct", (m & kBlockMenuSelfDestruct) != 0},
        {"rfid", (m & kBlockMenuRfid) != 0},
        {"centrawatch", (m & kBlockMenuCentrawatch) != 0},
        {"zeroize", (m & kBlockMenuZeroize) != 0},
        {"strong_password", (m & kBlockMenuStrongPassword) != 0},
        {"user_password", (m & kBlockMenuUserPassword) != 0},
        {"read_only", (m & kBlockMenuReadOnly) != 0},
        {"auto_lock", (m & kBlockMenuAutoLock) != 0},
    };
    return {
        {"policy_flags", p},
        {"policy", policy},
        {"reserved_4", strings::ToHex(s.reserved_4)},
        {"self_destruct_limit", s.self_destruct_limit},
        {"reserved_10", strings::ToHex(s.reserved_10)},
        {"active_language", LanguageName(s.active_language)},
        {"admin_language", LanguageName(s.admin_language)},
        {"user_language", LanguageName(s.user_language)},
        {"reserved_15", s.reserved_15},
        {"min_password_length", s.min_password_length},
        {"password_char_class", s.password_char_class},
        {"reserved_18", s.reserved_18},
        {"reserved_19", s.reserved_19},
        {"reserved_20", strings::ToHex(s.reserved_20)},
        {"auto_lock_delay", s.auto_lock_delay},
        {"reserved_26", strings::ToHex(s.reserved_26)},
        {"block_menu_mask", m},
        {"block_menu", block_menu},
        {"reserved_40", strings::ToHex(s.reserved_40)},
        {"setup_id", s.setup_id},
        {"setup_id_text", strings::ToUtf8(SetupIdText(s.setup_id, strings::Language::English))},
    };
}

void PrintFields(std::ostream& out, const nlohmann::ordered_json& object, int indent) {
    for (const auto& [key, value] : object.items()) {
        out << std::string(static_cast<std::size_t>(indent), ' ') << strings::EscapeControlCharacters(key) << ':';
        if (value.is_object()) {
            out << '\n';
            PrintFields(out, value, indent + 2);
        } else if (value.is_string()) {
            out << ' ' << strings::EscapeControlCharacters(value.get<std::string>()) << '\n';
        } else {
            out << ' ' << value.dump(-1, ' ', /*ensure_ascii=*/true, nlohmann::ordered_json::error_handler_t::replace)
                << '\n';
        }
    }
}

std::string JsonText(const nlohmann::ordered_json& object) {
    return object.dump(2, ' ', /*ensure_ascii=*/true, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace qx7::cli
