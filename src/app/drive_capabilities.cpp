#include "app/drive_capabilities.h"

#include "protocol/constants.h"
#include "strings/text_codec.h"

namespace qx7::app {
namespace {

constexpr int kFourLanguageCount = 4;

std::u16string LanguageName(int index) {
    if (index >= 0 && index < protocol::kLanguageCount) return strings::FromUtf8(protocol::kLanguageNames[index]);
    return strings::FromUtf8(std::to_string(index));
}

}  // namespace

std::u16string UnhonouredSettings(const storage::ConfigFilePayload& payload, const DriveCapabilities& drive,
                                  strings::Language language) {
    const bool korean = language == strings::Language::Korean;
    const bool settings = (payload.change_mask & protocol::kChangeSettings) != 0;
    if (settings) {
        const int offered = drive.six_languages ? protocol::kLanguageCount : kFourLanguageCount;
        for (const int chosen : {int{payload.settings.admin_language}, int{payload.settings.user_language}}) {
            if (chosen < offered) continue;
            const std::u16string name = LanguageName(chosen);
            return korean ? u"이 드라이브는 메뉴 언어 " + name + u"을(를) 제공하지 않습니다"
                          : u"the drive does not offer the menu language " + name;
        }
    }
    const bool rfid_on = settings && (payload.settings.policy_flags & protocol::kPolicyRfid) != 0;
    const bool tags = (payload.change_mask & protocol::kChangeRfidTags) != 0;
    if (!drive.rfid_reader && (rfid_on || tags)) {
        return korean ? u"이 드라이브에는 RFID 리더가 없어 RFID 설정을 적용할 수 없습니다"
                      : u"the drive has no RFID reader for the file's RFID settings";
    }
    return {};
}

}  // namespace qx7::app
