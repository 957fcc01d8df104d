#pragma once
// What the main window's logic needs from its surroundings, for the desktop
// program. It is called on the logic thread: dialogs, the clipboard and the
// window are reached on the user-interface thread through UiThreadCall;
// waits sleep on the logic thread while the window keeps painting; scans
// run on a thread of their own and hand their table back to the logic
// thread.

#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

#include "app/host.h"
#include "ui/shell/ui_thread_call.h"

namespace qx7::ui {

class DialogRunner;
class LogicThread;
class MainWindow;

class DesktopHost final : public app::Host {
public:
    DesktopHost(MainWindow& window, DialogRunner& dialogs, const UiThreadCall& call, LogicThread& logic);
    ~DesktopHost() override;

    void ShowMessage(std::u16string_view text, editor::MessageIcon icon) override;
    std::optional<std::filesystem::path> AskSavePath(std::u16string_view initial_name) override;
    std::optional<std::filesystem::path> AskOpenPath() override;
    std::optional<std::filesystem::path> AskFolder() override;
    bool CopyToClipboard(std::string_view text) override;
    void Wait(std::chrono::milliseconds duration) override;
    void WaitWithProgress(std::chrono::milliseconds duration, std::u16string_view step) override;
    void RunScan(std::function<transport::DriveTable()> scan, std::function<void(transport::DriveTable)> done) override;
    std::optional<editor::ExtendedOptions> RunExtendedOptionsDialog(const editor::ExtendedOptions& current) override;
    void ApplyLanguage(strings::Language language) override;
    void LayOut(bool with_rfid) override;
    void RunStartupUpdateCheck() override;
    void EndDialog(app::DialogResult result) override;
    std::tm LocalTime() override;
    // The folder of automatic saves and the log at start: the one last
    // chosen with the folder button, else QX7 in the user's documents.
    std::filesystem::path ProgramFolder() override;

    // Whether a scan runs now (for the busy indication).
    bool scanning() const { return scanning_.load(); }
    // Called on the logic thread when a scan starts or ends.
    void set_on_scan_changed(std::function<void()> callback) { on_scan_changed_ = std::move(callback); }
    // Called on the user-interface thread with the language the window now uses.
    void set_on_language(std::function<void(strings::Language)> callback) { on_language_ = std::move(callback); }
    // Called on the user-interface thread when the logic ends the window.
    void set_on_end(std::function<void(app::DialogResult)> callback) { on_end_ = std::move(callback); }
    // Called on the user-interface thread for the silent check at start;
    // none: the check is skipped.
    void set_on_startup_check(std::function<void()> callback) { on_startup_check_ = std::move(callback); }

    // Shortens the drive's waits (tests over the simulator, whose drives
    // need none); 1 keeps them.
    void set_wait_divisor(int divisor) { wait_divisor_ = divisor < 1 ? 1 : divisor; }
    // Empty: the user's documents folder.
    void set_documents_folder(const QString& folder) { documents_folder_ = folder; }

    // Waits for a running scan to end (at shutdown).
    void JoinScan();

private:
    static constexpr const char* kFolderSetting = "folder";
    static QString RememberedFolder();

    MainWindow& window_;
    DialogRunner& dialogs_;
    const UiThreadCall& call_;
    LogicThread& logic_;
    strings::Language language_ = strings::Language::English;
    int wait_divisor_ = 1;
    QString documents_folder_;
    std::thread scan_thread_;
    std::atomic<bool> scanning_{false};
    std::function<void()> on_scan_changed_;
    std::function<void(strings::Language)> on_language_;
    std::function<void(app::DialogResult)> on_end_;
    std::function<void()> on_startup_check_;
};

}  // namespace qx7::ui
