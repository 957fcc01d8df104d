#pragma once
// A Host whose dialogs answer what was set in advance: the command-line tool
// runs the window's logic on it, and the tests use it to see what the logic
// asked for. Scans run at once on the calling thread; messages are recorded
// and, when a stream is given, printed.

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/host.h"

namespace qx7::app {

struct RecordedMessage {
    std::u16string text;
    editor::MessageIcon icon = editor::MessageIcon::None;
};

class ScriptedHost : public Host {
public:
    // Answers of the dialogs; nothing means the dialog is cancelled.
    std::optional<std::filesystem::path> save_path;
    std::optional<std::filesystem::path> open_path;
    std::optional<std::filesystem::path> folder;
    std::optional<editor::ExtendedOptions> extended_options;
    bool clipboard_available = true;
    // Waits really pass when true (a real drive needs them); otherwise they
    // are only recorded.
    bool sleep_on_wait = false;
    std::tm local_time{};
    std::filesystem::path program_folder = ".";
    // Messages are also written here, one per line, when set.
    std::ostream* message_stream = nullptr;
    // Called at the start of each wait, when set: what the logic has done
    // by then.
    std::function<void(std::chrono::milliseconds)> on_wait;

    // What happened.
    std::vector<RecordedMessage> messages;
    std::vector<std::chrono::milliseconds> waits;
    std::vector<std::string> clipboard;
    std::vector<bool> layouts;  // LayOut's argument, per call
    int scans = 0;
    int startup_update_checks = 0;
    std::optional<DialogResult> ended;
    std::vector<std::u16string> save_dialog_names;

    void ShowMessage(std::u16string_view text, editor::MessageIcon icon) override;
    std::optional<std::filesystem::path> AskSavePath(std::u16string_view initial_name) override;
    std::optional<std::filesystem::path> AskOpenPath() override;
    std::optional<std::filesystem::path> AskFolder() override;
    bool CopyToClipboard(std::string_view text) override;
    void Wait(std::chrono::milliseconds duration) override;
    void RunScan(std::function<transport::DriveTable()> scan, std::function<void(transport::DriveTable)> done) override;
    std::optional<editor::ExtendedOptions> RunExtendedOptionsDialog(const editor::ExtendedOptions& current) override;
    void ApplyLanguage(strings::Language language) override;
    void LayOut(bool with_rfid) override;
    void RunStartupUpdateCheck() override;
    void EndDialog(DialogResult result) override;
    std::tm LocalTime() override;
    std::filesystem::path ProgramFolder() override;

    // The recorded message texts.
    std::vector<std::u16string> texts() const;
};

}  // namespace qx7::app
