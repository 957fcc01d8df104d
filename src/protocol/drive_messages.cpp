#include "protocol/drive_messages.h"

#include <cstdio>

#include "protocol/constants.h"
#include "strings/text_codec.h"

namespace qx7::protocol {
namespace {

using strings::StringId;

template <typename... Args>
std::u16string Printf(const char* format, Args... args) {
    char text[128];
    std::snprintf(text, sizeof text, format, args...);
    return strings::FromUtf8(text);
}

}  // namespace

std::u16string SetupIdText(std::uint32_t setup_id, strings::Language language) {
    if (setup_id == 0) return strings::FormatResString(language, StringId::NoPreviousSetupId);
    return Printf("%04d-%02d-%02d-%02d", static_cast<int>(setup_id >> 24) + 2000,
                  static_cast<int>((setup_id >> 16) & 0xFF), static_cast<int>((setup_id >> 8) & 0xFF),
                  static_cast<int>(setup_id & 0xFF));
}

std::uint32_t MakeSetupId(int year, int month, int day, int hour) {
    return static_cast<std::uint32_t>(year - 2000) << 24 | static_cast<std::uint32_t>(month) << 16 |
           static_cast<std::uint32_t>(day) << 8 | static_cast<std::uint32_t>(hour);
}

DriveMessage UploadFailureMessage(const LastError& error, strings::Language language) {
    if (error.failed_command != kCmdWriteSettings) {
        return {Printf("QX7 System Error !, Cmd = %X, Err Code = %d", error.failed_command, error.error_code),
                ErrorFocus::Unchanged};
    }
    switch (error.error_code) {
        case kErrorParameterSize:
            return {strings::FormatResString(language, StringId::IncorrectParameterSize), ErrorFocus::Exit};
        case kErrorUserMode:
            return {strings::FormatResString(language, StringId::ConnectedWithUserPassword), ErrorFocus::Rescan};
        case kErrorWrongAdminPassword:
            return {strings::FormatResString(language, StringId::IncorrectCurrentAdminPassword),
                    ErrorFocus::CurrentPassword};
        case kErrorAdminPasswordRefused:
            return {strings::FormatResString(language, StringId::IncorrectAdminPassword), ErrorFocus::Unchanged};
        default:
            return {Printf("QX7 Invalid Error code !, Cmd = %X, Err Code = %d", kCmdWriteSettings, error.error_code),
                    ErrorFocus::Unchanged};
    }
}

std::u16string SystemCommandFailureText(std::uint8_t code) {
    return Printf("Error !, QX7 System Command : %02X", code);
}

}  // namespace qx7::protocol
