#pragma once
// The pieces of the Windows console code that the tests call directly.

#include <cstdint>
#include <string>
#include <vector>

#include "strings/string_table.h"

namespace qx7::cli {

// The words of a Windows command line (as GetCommandLineW gives it, split as
// CommandLineToArgvW splits it), each in UTF-8.
std::vector<std::string> SplitCommandLine(const wchar_t* command_line);

// The messages' language for a Windows language id (a LANGID): Korean for
// every Korean one, else English.
strings::Language LanguageOfLanguageId(std::uint16_t language_id);

// What the console control handler of a live InterruptSignal does with the
// event `type` (CTRL_C_EVENT, ...): true when it took the event, false when
// the system's default handling (ending the process) is to follow.
bool OnConsoleControl(unsigned long type);

}  // namespace qx7::cli
