#include "storage/config_file_check.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <span>

#include "protocol/constants.h"
#include "protocol/password_characters.h"

namespace qx7::storage {
namespace {

using namespace protocol;

// File offsets of the regions named in the reasons.
constexpr std::size_t kReservedHeaderAt = 20;
constexpr std::size_t kNewAdminPasswordAt = 72;
constexpr std::size_t kReserved301At = 301;
constexpr std::size_t kTrailerAt = 304;

constexpr std::uint32_t kChangeBits = kChangeUserPassword | kChangeAdminPassword | kChangeRfidTags | kChangeSettings;
constexpr std::size_t kMaxUidLength = 16;
constexpr std::size_t kMaxTagCount = 5;

// MinGW's printf family follows the C99 formats (%zu) here, which GCC
// checks as gnu_printf there; plain printf would mean Microsoft's formats.
#if defined(__MINGW32__)
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif
std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// The first byte of `field` from `from` on that is not zero, as a reason
// naming the field; `file_offset` is where the field starts in the file.
std::optional<std::string> NonZero(const char* name, std::span<const std::uint8_t> field, std::size_t file_offset,
                                   std::size_t from = 0) {
    for (std::size_t i = from; i < field.size(); ++i) {
        if (field[i] != 0) {
            return Format("%s byte %zu (file byte %zu) is 0x%02X where the program writes 0", name, i, file_offset + i,
                          field[i]);
        }
    }
    return std::nullopt;
}

bool IsZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// A new password is refused by the form unless its first character belongs
// to one of the three classes the drive is told about.
std::uint8_t FirstCharacterClass(const ConfigFilePayload::Password& password) {
    return password[0] == 0 ? 0 : protocol::ClassifyPasswordCharacter(password[0]);
}

int DaysInMonth(int month) {
    // February has 29: the year byte wraps for a clock outside 2000 to 2255,
    // so the year it shows is not always the year the date was made in.
    constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kDays[month - 1];
}

// What is wrong with a setup ID that is not 0 and not year, month, day and
// hour of a clock; nothing when it is one.
std::optional<std::string> SetupIdProblem(std::uint32_t setup_id) {
    if (setup_id == 0) return std::nullopt;  // "no setup ID"
    const int month = static_cast<int>((setup_id >> 16) & 0xFF);
    const int day = static_cast<int>((setup_id >> 8) & 0xFF);
    const int hour = static_cast<int>(setup_id & 0xFF);
    if (month < 1 || month > 12) return Format("month %d", month);
    if (day < 1 || day > DaysInMonth(month)) return Format("day %d of month %d", day, month);
    if (hour > 23) return Format("hour %d", hour);
    return std::nullopt;
}

std::optional<std::string> PasswordsProblem(const ConfigFilePayload& p) {
    const std::uint32_t mask = p.change_mask;
    if ((mask & kChangeAdminPassword) == 0) {
        if (auto bad = NonZero("new_admin_password", p.new_admin_password, kNewAdminPasswordAt)) {
            return *bad + ", and change_mask does not change the administrator password";
        }
        if (p.new_admin_password_length != 0) {
            return Format(
                "new_admin_password_length is %u, and change_mask does not change the administrator "
                "password (the program writes 0)",
                p.new_admin_password_length);
        }
    } else {
        if (FirstCharacterClass(p.new_admin_password) == protocol::kClassInvalid) {
            return Format("new_admin_password starts with the byte 0x%02X, which no new password starts with",
                          p.new_admin_password[0]);
        }
        const std::uint32_t length = p.new_admin_password_length;
        if (length < 1 || length > p.new_admin_password.size()) {
            return Format("new_admin_password_length is %u; a new password has 1 to 32 characters", length);
        }
        if (auto bad = NonZero("new_admin_password", p.new_admin_password, kNewAdminPasswordAt, length)) {
            return *bad + Format(" after the password's %u characters", length);
        }
    }
    if ((mask & kChangeUserPassword) == 0) {
        if (!IsZero(p.new_user_password)) {
            return std::string("new_user_password holds a password, and change_mask does not change the user password");
        }
    } else if (FirstCharacterClass(p.new_user_password) == protocol::kClassInvalid) {
        return Format("new_user_password starts with the byte 0x%02X, which no new password starts with",
                      p.new_user_password[0]);
    }
    return std::nullopt;
}

// The combinations every gathered form has, and the setup ID.
std::optional<std::string> SettingsProblem(const ConfigFilePayload& p) {
    const SettingsRecord& s = p.settings;
    const bool sets_user = (p.change_mask & kChangeUserPassword) != 0;
    const bool sets_admin = (p.change_mask & kChangeAdminPassword) != 0;
    if (sets_user && (s.policy_flags & kPolicyUserPassword) == 0) {
        return Format(
            "settings.policy_flags 0x%08X lacks the user-password bit 0x200, which every file that "
            "sets a user password has",
            s.policy_flags);
    }
    if ((s.policy_flags & kPolicyRfid) != 0 && p.tag_count == 0) {
        return Format("settings.policy_flags 0x%08X has RFID (0x8) on, and the file has no tag (tag_count 0)",
                      s.policy_flags);
    }
    const std::uint8_t active = sets_user ? s.user_language : s.admin_language;
    if (s.active_language != active) {
        return Format("settings.active_language is %u where the program writes the %s (%u)", s.active_language,
                      sets_user ? "user_language of a file that sets a user password" : "admin_language", active);
    }
    if (sets_user || sets_admin) {
        const char* which = sets_user ? "user" : "administrator";
        const std::uint8_t expected = FirstCharacterClass(sets_user ? p.new_user_password : p.new_admin_password);
        if (s.password_char_class != expected) {
            return Format(
                "settings.password_char_class is 0x%02X, and the new %s password's first character "
                "has the class 0x%02X",
                s.password_char_class, which, expected);
        }
    }
    if (const auto problem = SetupIdProblem(s.setup_id)) {
        return Format("settings.setup_id 0x%08X is not a date and hour (%s)", s.setup_id, problem->c_str());
    }
    return std::nullopt;
}

std::optional<std::string> TagsProblem(const ConfigFilePayload& p) {
    for (std::size_t slot = 0; slot < p.tags_by_slot.size(); ++slot) {
        const std::uint8_t length = p.tags_by_slot[slot].uid_length;
        if (length > kMaxUidLength) {
            return Format("tags_by_slot slot %zu has uid_length %u; a tag's identifier has at most 16 bytes", slot + 1,
                          length);
        }
    }
    if (p.reserved_287 != 0) {
        return Format("reserved_287 (file byte 287) is 0x%02X where the program writes 0", p.reserved_287);
    }
    for (std::size_t k = 0; k < p.admin_tag.size(); ++k) {
        if (p.admin_tag[k] > 1) {
            return Format("admin_tag_%zu is %u where the program writes 0 or 1", k + 1, p.admin_tag[k]);
        }
    }
    if (p.tag_count > kMaxTagCount) {
        return Format("tag_count is %u; a form has 5 tag slots", p.tag_count);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> FindConfigFileDamage(const ConfigFilePayload& payload, const ConfigFileTrailer& trailer) {
    if (auto bad = NonZero("reserved_header", payload.reserved_header, kReservedHeaderAt)) return bad;
    if ((payload.change_mask & ~kChangeBits) != 0) {
        return Format(
            "change_mask 0x%08X has bits besides the four change bits 0x2000, 0x4000, 0x8000 and "
            "0x10000",
            payload.change_mask);
    }
    if (auto bad = PasswordsProblem(payload)) return bad;
    if (auto bad = SettingsProblem(payload)) return bad;
    if (auto bad = TagsProblem(payload)) return bad;
    if (auto bad = NonZero("reserved_301", payload.reserved_301, kReserved301At)) return bad;
    if (auto bad = NonZero("trailer", trailer, kTrailerAt)) return bad;
    return std::nullopt;
}

}  // namespace qx7::storage
