#pragma once
// What the main window's logic needs from its surroundings beyond the form:
// message boxes, file and folder dialogs, the clipboard, waits, a worker for
// drive scans, the extended options dialog, the clock, and closing. The
// desktop program implements it with Qt, the command-line tool headlessly,
// the tests with a recording fake.

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "editor/notifier.h"
#include "editor/settings_form.h"
#include "strings/string_table.h"
#include "transport/discovery.h"

namespace qx7::app {

enum class DialogResult { Ok, Cancel };

class Host : public editor::Notifier {
public:
    // Save dialog for a configuration file, starting with `initial_name`;
    // asks before replacing a file. Nothing when cancelled.
    virtual std::optional<std::filesystem::path> AskSavePath(std::u16string_view initial_name) = 0;
    // Open dialog for an existing configuration file. Nothing when cancelled.
    virtual std::optional<std::filesystem::path> AskOpenPath() = 0;
    // Folder browser. Nothing when cancelled.
    virtual std::optional<std::filesystem::path> AskFolder() = 0;
    // Puts 8-bit text on the clipboard; false when the clipboard is busy.
    virtual bool CopyToClipboard(std::string_view text) = 0;
    // Blocks the user interface for `duration` (the drive needs it).
    virtual void Wait(std::chrono::milliseconds duration) = 0;
    // The same wait, with the step the drive is busy with for a progress
    // indication.
    virtual void WaitWithProgress(std::chrono::milliseconds duration, std::u16string_view /*step*/) { Wait(duration); }
    // Runs `scan` off the user-interface thread and then `done` with its
    // result on the user-interface thread.
    virtual void RunScan(std::function<transport::DriveTable()> scan,
                         std::function<void(transport::DriveTable)> done) = 0;
    // The extended options dialog, started with `current`; nothing on Cancel.
    virtual std::optional<editor::ExtendedOptions> RunExtendedOptionsDialog(const editor::ExtendedOptions& current) = 0;
    // Loads the captions of the window in `language`.
    virtual void ApplyLanguage(strings::Language language) = 0;
    // The window's width: with the RFID group shown, or without.
    virtual void LayOut(bool with_rfid) = 0;
    // The silent update check at first start.
    virtual void RunStartupUpdateCheck() = 0;
    virtual void EndDialog(DialogResult result) = 0;
    virtual std::tm LocalTime() = 0;
    // Where the program's executable lives (the first auto-save folder).
    virtual std::filesystem::path ProgramFolder() = 0;
};

}  // namespace qx7::app
