#pragma once
// The main window's logic without a window: it owns the state of a run (the
// settings form, the drive table of the last scan, the open drive and its
// channel keys, the drives uploaded so far) and carries out every command of
// the window. A view shows the form (FormView) and a Host provides dialogs,
// waits, the scan worker and closing; the desktop program, the command-line
// tool and the tests each supply their own.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/host.h"
#include "editor/control_id.h"
#include "editor/form_view.h"
#include "editor/settings_form.h"
#include "protocol/channel.h"
#include "storage/operation_log.h"
#include "strings/string_table.h"
#include "transport/device_enumerator.h"
#include "transport/device_watcher.h"
#include "transport/discovery.h"
#include "transport/scsi_device.h"

namespace qx7::app {

// The pause a drive needs after it is opened, before the first command.
inline constexpr std::chrono::milliseconds kWaitAfterOpen{1000};

class Configurator {
public:
    Configurator(editor::FormView& view, Host& host, transport::DeviceEnumerator& devices, strings::Language language);
    ~Configurator();
    Configurator(const Configurator&) = delete;
    Configurator& operator=(const Configurator&) = delete;

    // Window initialisation: the first call sets the form up and starts the
    // first scan; later calls (after a language switch) renew the setup ID,
    // forget the drive and the uploads of the run, and rescan.
    void Initialize();
    // The same first initialisation over drives scanned already (a batch
    // shares one scan among the drives it configures): no wait and no scan;
    // line `line` of `table` is selected and read.
    void InitializeWithDrives(transport::DriveTable table, std::size_t line);
    void SwitchLanguage(strings::Language language);

    // Commands of the window by control id (buttons, check boxes, radio
    // buttons). Unknown ids are ignored.
    void OnCommand(editor::ControlId id);
    // The drive list's selection changed.
    void OnDriveSelectionChanged();
    // The current-password field lost the keyboard focus.
    void OnCurrentPasswordFocusLost();
    // The upload accelerator (Ctrl+C): uploads only while the upload button
    // is enabled and no scan is running.
    void OnUploadShortcut();
    // Hot-plug notifications and the 500 ms timer.
    void OnDeviceEvent(transport::DeviceEvent event);
    void OnTimer();

    // Closing: Exit, Escape and Ctrl+X; the window's close request; Ctrl+S;
    // the title band's close button.
    void OnExit();
    void OnCloseRequest();
    void OnOk();
    void OnTitleClose();

    // The steps behind the commands, for front ends that drive them directly.
    void StartDriveScan();
    void ReadSelectedDrive();
    void UploadSettings();
    // The settings write the upload would send now, checked as the upload
    // checks it (a drive read in administrator mode, the RFID rule, the
    // maker, the password rules), its message shown when refused; nothing
    // is sent.
    std::optional<editor::GatheredSettings> PrepareUpload();
    void SaveConfiguration(bool interactive);
    void ImportConfiguration();

    editor::SettingsForm& form() { return form_; }
    const transport::DriveTable& drive_table() const { return table_; }
    const storage::UploadedSerials& uploaded_serials() const { return uploaded_; }
    const std::u16string& serial_text() const { return serial_text_; }
    bool admin_ready() const { return admin_ready_; }
    // Whether the open drive offers all six menu languages (its page probe).
    bool OffersSixLanguages();
    bool read_done() const { return read_done_; }
    bool upload_done() const { return upload_done_; }
    bool scan_running() const { return scan_running_; }
    bool rescan_pending() const { return rescan_pending_; }
    // The serial numbers written by the last upload that succeeded, and
    // whether the last upload attempt succeeded.
    bool last_upload_succeeded() const { return last_upload_succeeded_; }
    // The settings write the drive accepted last, its passwords blanked.
    const std::optional<protocol::SettingsUpload>& last_written() const { return last_written_; }
    // Where the settings-read diagnostic line goes (standard output when null).
    void set_diagnostics(std::ostream* stream) { diagnostics_ = stream; }
    // Chooses the name an automatic save really writes, given the usual one
    // (folder and serial number); without it, the usual one.
    using SaveNameChooser = std::function<std::filesystem::path(const std::filesystem::path&)>;
    void set_auto_save_name(SaveNameChooser chooser) { auto_save_name_ = std::move(chooser); }
    // Called after each upload the drive accepted, once the drive is in the
    // uploaded serials and its file is saved, before the pause in which the
    // drive stores the settings.
    void set_upload_accepted(std::function<void()> accepted) { upload_accepted_ = std::move(accepted); }
    // The path of the log written at exit, when one was written.
    const std::optional<std::filesystem::path>& log_path() const { return log_path_; }
    // The configuration file saved last (by Save As or automatically).
    const std::optional<std::filesystem::path>& last_saved_path() const { return last_saved_path_; }

private:
    // Initialisation steps: a new run (setup ID, no drive, no uploads), the
    // form's first set-up, and the folder and check boxes after the first
    // scan.
    void StartRun();
    void SetUpForm();
    void FinishSetUp();
    // The form while a scan runs: no drive, nothing enabled.
    void ClearDriveForScan();
    // Takes the scan's table and reads the selected line (`line` when given).
    void OnScanFinished(transport::DriveTable table, std::optional<std::size_t> line = std::nullopt);
    bool WriteSettingsToDrive();
    // `read_form` false: the form's values are current (just written), and
    // are not read from the screen again.
    void LayOutWindow(bool read_form = true);
    // Whether an upload may start (a drive to write, the RFID rule), saying
    // why not; then the form read and gathered for it, with the maker check.
    bool UploadAllowed();
    std::optional<editor::GatheredSettings> GatherForUpload();
    void ReadRfidTag();
    void CopySerialToClipboard();
    void CopyTagsToClipboard();
    void SetExtendedSettings();
    void BrowseForLogFolder();
    // Writes the log when drives were uploaded and logging is on; false when
    // the log was due but could not be written.
    bool WriteLogIfDue();
    // Why the settings cannot be written to the open drive now.
    enum class UploadBlock { None, NoDrive, NotAdministrator, NoChannel };
    // Closes the open drive and forgets its keys: nothing can be written
    // until a drive is read again in administrator mode.
    void CloseDrive(UploadBlock reason = UploadBlock::NoDrive);
    // The read of the selected line could not open its drive.
    void OnDriveOpenFailed();
    std::u16string Text(strings::StringId string_id) const;

    editor::FormView& view_;
    Host& host_;
    transport::DeviceEnumerator& devices_;
    strings::Language language_;
    editor::SettingsForm form_;

    transport::DriveTable table_;
    std::unique_ptr<transport::ScsiDevice> drive_;
    std::optional<std::size_t> drive_record_;  // record of the open drive in table_
    protocol::ChannelKeys keys_;
    UploadBlock upload_block_ = UploadBlock::NoDrive;
    std::u16string serial_text_;
    // The drive being edited when a rescan started, and its edits: the
    // rescan selects it again when it is still listed.
    struct KeptDrive {
        std::string usb_key;
        std::u16string usb_serial;
        std::u16string serial_text;
        editor::FormEdits edits;
        bool upload_enabled = false;
        bool save_enabled = false;
    };
    // Reads the selected line; when it is the kept drive and it answers as
    // before, the kept edits are shown instead of the drive's settings.
    void ReadSelectedDrive(std::optional<KeptDrive> kept);
    // Puts the kept edits back after the same drive was read again.
    void RestoreKeptEdits(KeptDrive kept);
    // Enables what a drive read in administrator mode opens: the password,
    // Import, the setup ID, the folder, the saving and logging boxes and
    // Detect Current Settings.
    void EnableDriveControls();
    std::optional<KeptDrive> kept_drive_;
    storage::UploadedSerials uploaded_;
    std::optional<std::filesystem::path> log_path_;
    std::optional<std::filesystem::path> last_saved_path_;
    SaveNameChooser auto_save_name_;
    std::function<void()> upload_accepted_;
    std::optional<protocol::SettingsUpload> last_written_;
    std::ostream* diagnostics_ = nullptr;

    bool first_init_done_ = false;
    bool admin_ready_ = false;
    bool read_done_ = true;
    bool upload_done_ = false;
    bool last_upload_succeeded_ = false;
    bool rescan_pending_ = false;
    int rescan_delay_ = 0;
    bool scan_running_ = false;
    bool scan_requested_ = false;  // a scan asked for while one ran
};

}  // namespace qx7::app
