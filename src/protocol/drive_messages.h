#pragma once
// Texts the drive's answers turn into: the setup identifier as shown to the
// administrator, and the message (with the control to focus) for a settings
// write the drive refused.

#include <cstdint>
#include <string>

#include "protocol/records.h"
#include "strings/string_table.h"

namespace qx7::protocol {

// "%04d-%02d-%02d-%02d" (year, month, day, hour) of a setup identifier, or
// "No Previous Setup ID" for 0.
std::u16string SetupIdText(std::uint32_t setup_id, strings::Language language);

// The setup identifier of a local date and hour:
// (year - 2000) << 24 | month << 16 | day << 8 | hour.
std::uint32_t MakeSetupId(int year, int month, int day, int hour);

// Where the keyboard focus goes after a refusal; the values are the ids of
// the main form's controls.
enum class ErrorFocus : std::uint16_t {
    Unchanged = 0,
    Exit = 2,
    Rescan = 1019,
    CurrentPassword = 1042,
};

struct DriveMessage {
    std::u16string text;
    ErrorFocus focus = ErrorFocus::Unchanged;
};

// The message for a refused settings write, from the drive's last-error
// answer (all zero when that query itself failed).
DriveMessage UploadFailureMessage(const LastError& error, strings::Language language);

// "Error !, QX7 System Command : %02X" for a failed command of the read.
std::u16string SystemCommandFailureText(std::uint8_t code);

}  // namespace qx7::protocol
