#pragma once
// qx7ctl's own messages, in English and Korean, kept in one table beside the
// string tables the window shares (those hold the texts the window shows;
// these are the command line's). A message may hold the placeholders %1, %2,
// ... which Message() replaces with its arguments in order.

#include <initializer_list>
#include <string>
#include <string_view>

#include "strings/string_table.h"

namespace qx7::cli {

enum class MessageId {
    NoDriveOnLine,      // %1 line, %2 number of listed drives
    NoDriveWithSerial,  // %1 serial, %2 number of listed drives
    SerialOnManyLines,  // %1 serial, %2 the lines that have it
    CannotOpenDrive,    // %1 path
    NotAQx7,
    PasswordUnreadable,  // %1 what was read, %2 what is wrong with it
    PasswordEmpty,       // %1 what was read
    PasswordNotTyped,
    PasswordPrompt,
    PasswordNeedsTerminal,
    CannotCreateFolder,  // %1 folder, %2 reason
    FolderNotWritable,   // %1 folder, %2 reason
    UnlistedTableFull,
    UnlistedScanFailed,
    LogNotWritten,
    ReportNotWritten,  // %1 report file, %2 reason
    ReportFormat,      // %1 report file
    Interrupted,
    WatchStarted,
    NotReadAsAdmin,  // %1 line
    TraceFullWarning,
    FormUnreadable,         // %1 form file, %2 what is wrong with it
    FormNotJson,            // %1 form file
    FormNotObject,          // %1 form file
    FormMissingKeys,        // %1 form file, %2 the keys
    BaseGivesNoSettings,    // %1 base file
    FormNeedsUserPassword,  // %1 form file
    FormKeyRefused,         // %1 form file, %2 key
    FormSettingsNotSent,    // %1 form file, %2 the keys
    FormChangesNothing,     // %1 form file
};

// The message `id` in `language` with %1, %2, ... replaced by `arguments`.
std::string Message(strings::Language language, MessageId id, std::initializer_list<std::string_view> arguments = {});

// The language of a locale name as the window picks it: Korean for "ko",
// "ko_KR.UTF-8" and the like, English for every other name.
strings::Language LanguageOfLocaleName(std::string_view name);

// The language the messages follow when --lang is not given: on Linux that
// of the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty, on
// Windows that of the user's interface language (cli/<api>/).
strings::Language LanguageFromEnvironment();

}  // namespace qx7::cli
