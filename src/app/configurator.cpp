#include "app/configurator.h"

#include <utility>

#include <algorithm>
#include <cwctype>

#include "protocol/constants.h"
#include "protocol/drive_messages.h"
#include "protocol/read_sequence.h"
#include "protocol/system_commands.h"
#include "storage/config_file.h"
#include "strings/path_text.h"
#include "strings/text_codec.h"

namespace qx7::app {
namespace {

using editor::ControlId;
using std::chrono::milliseconds;

using strings::StringId;

constexpr milliseconds kWaitBeforeFirstScan{500};
constexpr milliseconds kWaitAfterUpload{5000};
// Timer ticks (500 ms each) between the last device notification and the
// rescan it asks for.
constexpr int kRescanDelayTicks = 3;

constexpr std::u16string_view kMakerName = u"OSTRIVANCE";

// The maker check: the manufacturer string starts with the maker's name,
// letters compared without regard to case.
bool IsMakersDrive(std::u16string_view manufacturer) {
    if (manufacturer.size() < kMakerName.size()) return false;
    for (std::size_t i = 0; i < kMakerName.size(); ++i) {
        char16_t c = manufacturer[i];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        if (c != kMakerName[i]) return false;
    }
    return true;
}

// 8-bit text for the clipboard: each character as one byte, '?' for a
// character that has none.
std::string EightBitText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out += c <= 0xFF ? static_cast<char>(static_cast<std::uint8_t>(c)) : '?';
    return out;
}

// Windows refuses more characters in a name: there '\\' would make a
// folder of what comes before it, and ':' a stream of another file.
constexpr bool kWindowsNames = std::filesystem::path::preferred_separator == L'\\';

bool UnfitForFileName(char16_t c) {
    if (c == u'/' || c < 0x20 || c == 0x7F) return true;
    return kWindowsNames && std::u16string_view(u"\\:*?\"<>|").find(c) != std::u16string_view::npos;
}

// A serial number as a file name: characters a file name cannot hold on
// this platform ('/', NUL and other control characters; on Windows also
// the backslash and : * ? " < > |) become '_', so that whatever a drive
// reports cannot point the file somewhere else.
std::filesystem::path SerialFileName(std::u16string_view serial) {
    std::u16string name;
    for (char16_t c : serial) name += UnfitForFileName(c) ? u'_' : c;
    if (name.empty() || name == u"." || name == u"..") name = u"_" + name;
    return strings::PathFromText(strings::ToUtf8(name + u".qx7"));
}

std::filesystem::path PathFromText(std::u16string_view text) { return strings::PathFromText(strings::ToUtf8(text)); }

std::u16string TextFromPath(const std::filesystem::path& path) { return strings::FromUtf8(strings::PathText(path)); }

}  // namespace

Configurator::Configurator(editor::FormView& view, Host& host, transport::DeviceEnumerator& devices,
                           strings::Language language)
    : view_(view), host_(host), devices_(devices), language_(language), form_(view, host, language) {}

Configurator::~Configurator() = default;

std::u16string Configurator::Text(StringId string_id) const { return strings::FormatResString(language_, string_id); }

void Configurator::CloseDrive(UploadBlock reason) {
    drive_.reset();
    drive_record_.reset();
    keys_ = {};
    upload_block_ = reason;
}

void Configurator::Initialize() {
    StartRun();
    if (first_init_done_) {
        view_.SetText(ControlId::NewSetupId, form_.values().new_setup_id);
        StartDriveScan();
        return;
    }
    SetUpForm();
    host_.Wait(kWaitBeforeFirstScan);
    StartDriveScan();
    FinishSetUp();
    host_.RunStartupUpdateCheck();
}

void Configurator::InitializeWithDrives(transport::DriveTable table, std::size_t line) {
    StartRun();
    if (!first_init_done_) SetUpForm();
    view_.SetText(ControlId::NewSetupId, form_.values().new_setup_id);
    ClearDriveForScan();
    OnScanFinished(std::move(table), line);
    FinishSetUp();
}

void Configurator::StartRun() {
    form_.MakeNewSetupId(host_.LocalTime());
    form_.tag_slots().tags = {};
    CloseDrive();
    uploaded_.Clear();
    host_.ApplyLanguage(language_);
}

void Configurator::SetUpForm() {
    form_.SetLanguageLists(false);
    form_.WriteForm();
    first_init_done_ = true;
    admin_ready_ = false;
    read_done_ = true;
}

void Configurator::FinishSetUp() {
    form_.WriteForm();
    view_.SetText(ControlId::FolderField, TextFromPath(host_.ProgramFolder()));
    view_.SetChecked(ControlId::AutoSaveConfiguration, true);
    view_.SetChecked(ControlId::EnableLog, true);
}

void Configurator::SwitchLanguage(strings::Language language) {
    language_ = language;
    form_.set_language(language);
    // The form starts again in the new language; the drives configured so
    // far stay on the run's list, so the log still names them.
    storage::UploadedSerials kept = uploaded_;
    Initialize();
    uploaded_ = std::move(kept);
}

void Configurator::StartDriveScan() {
    if (scan_running_) {
        // Two scans never fill the table at once: this one starts when the
        // running one has been read.
        scan_requested_ = true;
        return;
    }
    if (admin_ready_ && drive_record_ && *drive_record_ < table_.records.size()) {
        // Taken as shown: a rescan nobody asked for refuses nothing and
        // shows no message about a field being typed into.
        const transport::DriveRecord& record = table_.records[*drive_record_];
        kept_drive_ = KeptDrive{record.usb_key,
                                record.serial_number,
                                serial_text_,
                                form_.TakeEdits(),
                                view_.Enabled(ControlId::UploadSettings),
                                view_.Enabled(ControlId::SaveAs)};
    }
    ClearDriveForScan();
    scan_running_ = true;
    host_.RunScan([this] { return transport::ScanDrives(devices_); },
                  [this](transport::DriveTable table) { OnScanFinished(std::move(table)); });
}

void Configurator::ClearDriveForScan() {
    form_.DisableAllControls();
    form_.values().current_setup_id.clear();
    view_.SetText(ControlId::CurrentSetupId, u"");
    form_.ClearCentrawatchSeen();

    serial_text_.clear();
    form_.values().serial_number.clear();
    view_.SetText(ControlId::SerialNumber, u"");
    admin_ready_ = false;
    read_done_ = false;
    form_.set_rfid_supported(false);
    view_.SetComboLines(ControlId::DriveList, {});
}

void Configurator::OnScanFinished(transport::DriveTable table, std::optional<std::size_t> line) {
    scan_running_ = false;
    table_ = std::move(table);
    drive_record_.reset();
    view_.SetComboLines(ControlId::DriveList, table_.lines);
    if (line) view_.SetComboIndex(ControlId::DriveList, static_cast<int>(*line));
    std::optional<KeptDrive> kept = std::exchange(kept_drive_, std::nullopt);
    bool kept_listed = false;
    if (kept && !line) {
        // The drive being edited stays selected while it is listed; line 1
        // is read only when it is gone.
        for (std::size_t i = 0; i < table_.listed_count(); ++i) {
            const transport::DriveRecord* record = table_.ListedRecord(i);
            if (record && record->usb_key == kept->usb_key && record->serial_number == kept->usb_serial) {
                view_.SetComboIndex(ControlId::DriveList, static_cast<int>(i));
                kept_listed = true;
                break;
            }
        }
    }
    ReadSelectedDrive(kept_listed ? std::move(kept) : std::nullopt);
    if (scan_requested_) {
        scan_requested_ = false;
        StartDriveScan();
    }
}

void Configurator::OnDriveSelectionChanged() { ReadSelectedDrive(); }

void Configurator::ReadSelectedDrive() { ReadSelectedDrive(std::nullopt); }

void Configurator::ReadSelectedDrive(std::optional<KeptDrive> kept) {
    form_.set_rfid_supported(false);
    view_.SetEnabled(ControlId::Rescan, true);
    view_.SetEnabled(ControlId::Exit, true);

    if (table_.listed_count() == 0) {
        view_.SetComboLines(ControlId::DriveList, {Text(StringId::NoDrivesDetected)});
        view_.SetFocus(ControlId::Rescan);
        view_.SetComboIndex(ControlId::DriveList, 0);
        view_.SetEnabled(ControlId::DriveList, false);
        LayOutWindow();
        form_.WriteForm();
        read_done_ = true;
        return;
    }

    const int selected = view_.ComboIndex(ControlId::DriveList);
    const std::size_t line = selected < 0 ? 0 : static_cast<std::size_t>(selected);
    const transport::DriveRecord* record = table_.ListedRecord(line);
    auto device = record ? devices_.Open(record->storage_path) : nullptr;
    if (!device) {
        OnDriveOpenFailed();
        return;
    }

    // The drive read before is closed here, and nothing of it (keys,
    // serial number) stands in for what this drive fails to answer.
    CloseDrive(UploadBlock::NoChannel);  // until this read completes
    serial_text_.clear();
    drive_ = std::move(device);
    drive_record_ = table_.listing_map[line];
    view_.SetComboIndex(ControlId::DriveList, static_cast<int>(line));
    view_.SetEnabled(ControlId::DriveList, true);
    host_.Wait(kWaitAfterOpen);

    const protocol::DriveReading reading = protocol::ReadDrive(*drive_, keys_, serial_text_, diagnostics_);
    for (const auto& message : protocol::ReadingMessages(reading, language_)) {
        host_.ShowMessage(message.text);
        if (message.focus != protocol::ErrorFocus::Unchanged) {
            view_.SetFocus(static_cast<ControlId>(message.focus));
        }
    }

    editor::FormValues& values = form_.values();
    values.serial_number = serial_text_;
    view_.SetEnabled(ControlId::SerialNumber, true);
    view_.SetEnabled(ControlId::CopySerial, true);
    if (reading.settings_ok) {
        form_.drive_settings() = reading.settings;
        values.current_setup_id = protocol::SetupIdText(reading.settings.setup_id, language_);
    }

    // The form is unlocked, and the drive may be written, only when the
    // whole read succeeded in administrator mode: a drive unlocked by its
    // user, a locked one or one whose channel key was not fetched and
    // checked never receives the settings write (it carries the passwords).
    if (reading.admin_mode() && !reading.identity_ok) host_.ShowMessage(Text(StringId::DriveNotDetected));
    if (reading.admin_mode() && reading.all_commands_ok() && kept && serial_text_ == kept->serial_text) {
        // The drive being edited answered as before: the form stays as the
        // administrator left it, nothing of the drive's settings over it.
        admin_ready_ = true;
        upload_block_ = UploadBlock::None;
        form_.set_rfid_supported(reading.status.rfid_supported());
        RestoreKeptEdits(std::move(*kept));
        return;
    }
    if (reading.admin_mode() && reading.all_commands_ok()) {
        admin_ready_ = true;
        upload_block_ = UploadBlock::None;
        form_.set_rfid_supported(reading.status.rfid_supported());
        form_.ClearAllTags();
        for (ControlId id :
             {ControlId::ChangeAdminPassword, ControlId::ChangeUserPassword, ControlId::ChangeSettings}) {
            view_.SetEnabled(id, true);
        }
        form_.EnableRfidSection(true);
        form_.ApplyChangeChecks();
        EnableDriveControls();
        if (upload_done_ || values.change_settings) {
            view_.SetEnabled(ControlId::UploadSettings, true);
            view_.SetEnabled(ControlId::SaveAs, true);
        }
    } else {
        form_.DisableAllControls();
        view_.SetFocus(ControlId::Exit);
        const bool channel_ok = reading.identity_ok && reading.channel.channel_key && reading.channel.token_index &&
                                reading.channel.channel_check;
        CloseDrive(reading.status_ok && !reading.status.admin_unlocked() ? UploadBlock::NotAdministrator
                   : !channel_ok                                         ? UploadBlock::NoChannel
                                                                         : UploadBlock::NoDrive);
        admin_ready_ = false;
    }

    form_.FillFormFromSettings(form_.drive_settings());
    form_.ApplyChangeChecks();
    LayOutWindow();
    form_.WriteForm();
    read_done_ = true;
}

void Configurator::EnableDriveControls() {
    for (ControlId id : {ControlId::CurrentPassword, ControlId::Import, ControlId::NewSetupId, ControlId::FolderField,
                         ControlId::FolderButton, ControlId::AutoSaveConfiguration, ControlId::EnableLog,
                         ControlId::DetectCurrentSettings}) {
        view_.SetEnabled(id, true);
    }
}

void Configurator::RestoreKeptEdits(KeptDrive kept) {
    // The serial number and current setup ID are the drive's, as just read.
    kept.edits.values.serial_number = form_.values().serial_number;
    kept.edits.values.current_setup_id = form_.values().current_setup_id;
    form_.RestoreEdits(kept.edits);
    for (ControlId id : {ControlId::ChangeAdminPassword, ControlId::ChangeUserPassword, ControlId::ChangeSettings}) {
        view_.SetEnabled(id, true);
    }
    // "Change Settings" stays ticked and greyed while a user password is set.
    if (kept.edits.values.change_user_password) view_.SetEnabled(ControlId::ChangeSettings, false);
    form_.ApplyChangeChecks();
    EnableDriveControls();
    view_.SetEnabled(ControlId::UploadSettings, kept.upload_enabled);
    view_.SetEnabled(ControlId::SaveAs, kept.save_enabled);
    LayOutWindow(false);
    read_done_ = true;
}

void Configurator::OnDriveOpenFailed() {
    // The drive of this line went away since the scan, or opening it was
    // refused: nothing of the drive read before stays in use, and the
    // window shows no drive until one is read again.
    CloseDrive();
    admin_ready_ = false;
    serial_text_.clear();
    form_.values().serial_number.clear();
    form_.DisableAllControls();
    for (ControlId id : {ControlId::DriveList, ControlId::Rescan, ControlId::Exit}) {
        view_.SetEnabled(id, true);
    }
    host_.ShowMessage(Text(StringId::DriveNotDetected));
    view_.SetFocus(ControlId::Rescan);
    LayOutWindow();
    form_.WriteForm();
    read_done_ = true;
}

void Configurator::LayOutWindow(bool read_form) {
    host_.LayOut(form_.rfid_supported());
    if (form_.rfid_supported()) {
        if (read_form) form_.ReadForm();
        form_.EnableRfidSection(true);
        if (read_form) form_.WriteForm();
    }
    const editor::FormValues& values = form_.values();
    if (values.change_settings && values.rfid == editor::kEnable) {
        form_.EnableRfidSection(true);
    } else {
        view_.SetEnabled(ControlId::ChangeRfidTagData, false);
        form_.EnableTagControls(false);
    }
}

void Configurator::OnDeviceEvent(transport::DeviceEvent event) {
    using transport::DeviceEvent;
    const bool schedule = (admin_ready_ && event == DeviceEvent::Removal) ||
                          (event == DeviceEvent::NodesChanged && !rescan_pending_) ||
                          (!admin_ready_ && event == DeviceEvent::Arrival);
    if (!schedule) return;
    rescan_delay_ = kRescanDelayTicks;
    rescan_pending_ = true;
}

void Configurator::OnTimer() {
    if (read_done_ && rescan_pending_ && rescan_delay_ == 0) {
        StartDriveScan();
        rescan_pending_ = false;
    }
    if (rescan_delay_ > 0) --rescan_delay_;
}

bool Configurator::UploadAllowed() {
    if (!drive_ || upload_block_ != UploadBlock::None) {
        const StringId reason = upload_block_ == UploadBlock::NotAdministrator ? StringId::ConnectedWithUserPassword
                                : upload_block_ == UploadBlock::NoChannel      ? StringId::ChannelNotOpen
                                                                               : StringId::DriveNotDetected;
        host_.ShowMessage(Text(reason));
        return false;
    }
    if (form_.values().rfid == editor::kEnable && form_.tag_slots().occupied() == 0) {
        host_.ShowMessage(Text(StringId::TagDataEmpty));
        return false;
    }
    return true;
}

std::optional<editor::GatheredSettings> Configurator::PrepareUpload() {
    if (!UploadAllowed()) return std::nullopt;
    return GatherForUpload();
}

void Configurator::UploadSettings() {
    if (!UploadAllowed()) {
        last_upload_succeeded_ = false;
        return;
    }
    const ControlId busy[] = {ControlId::DriveList, ControlId::UploadSettings, ControlId::Rescan, ControlId::Exit};
    for (ControlId id : busy) view_.SetEnabled(id, false);

    last_upload_succeeded_ = WriteSettingsToDrive();
    if (last_upload_succeeded_) {
        // The drive is recorded as soon as it accepted the settings, before
        // the pause in which it stores them: whatever ends the program
        // during that pause, the drive's serial number and its file are not
        // lost.
        uploaded_.Add(serial_text_);
        SaveConfiguration(false);
        if (upload_accepted_) upload_accepted_();
        host_.WaitWithProgress(kWaitAfterUpload, Text(StringId::StoringSettings));
        admin_ready_ = false;
    }

    for (ControlId id : busy) view_.SetEnabled(id, true);
    view_.SetEnabled(ControlId::SaveAs, true);
}

std::optional<editor::GatheredSettings> Configurator::GatherForUpload() {
    form_.ReadForm();

    std::u16string manufacturer;
    if (drive_record_ && *drive_record_ < table_.records.size()) {
        manufacturer = table_.records[*drive_record_].manufacturer;
    }
    if (!IsMakersDrive(manufacturer)) {
        host_.ShowMessage(Text(StringId::SelectedDevice) + u" (" + manufacturer + u")");
        return std::nullopt;
    }
    return form_.GatherSettingsUpload();
}

bool Configurator::WriteSettingsToDrive() {
    const std::optional<editor::GatheredSettings> gathered = GatherForUpload();
    if (!gathered) return false;

    const auto plaintext = gathered->upload.Encode();
    const protocol::SecureWriteResult written =
        protocol::SecureWrite(*drive_, plaintext, protocol::kWriteSettingsWireLength, keys_.channel_key, keys_,
                              protocol::kTokenWriteSettings);
    if (written) {
        // What the drive accepted, for a read-back to compare with; the
        // passwords are not kept.
        last_written_ = gathered->upload;
        last_written_->current_admin_password = {};
        last_written_->new_admin_password = {};
        last_written_->new_user_password = {};
        upload_done_ = true;
        form_.DisableAllControls();
        view_.SetEnabled(ControlId::SaveAs, true);
        return true;
    }

    if (!written.sent) {
        // Nothing reached the drive, so its last error says nothing about this.
        host_.ShowMessage(Text(StringId::ChannelNotOpen));
        return false;
    }
    std::array<std::uint8_t, protocol::LastError::kSize> answer{};
    protocol::ReadLastError(*drive_, answer);
    const protocol::DriveMessage message =
        protocol::UploadFailureMessage(protocol::LastError::Decode(answer), language_);
    host_.ShowMessage(message.text);
    if (message.focus != protocol::ErrorFocus::Unchanged) {
        view_.SetFocus(static_cast<ControlId>(message.focus));
    }
    return false;
}

void Configurator::SaveConfiguration(bool interactive) {
    form_.ReadForm();
    std::filesystem::path path;
    if (interactive) {
        const auto chosen = host_.AskSavePath(form_.values().serial_number);
        if (!chosen) return;
        path = *chosen;
    } else {
        if (!view_.Checked(ControlId::AutoSaveConfiguration)) return;
        path = PathFromText(view_.Text(ControlId::FolderField)) / SerialFileName(form_.values().serial_number);
        if (auto_save_name_) path = auto_save_name_(path);
    }
    const std::optional<editor::GatheredSettings> gathered = form_.GatherSettingsUpload();
    if (!gathered) return;
    const storage::ConfigFileError error = storage::SaveConfigFile(path, gathered->payload);
    if (error == storage::ConfigFileError::None) last_saved_path_ = path;
    if (error != storage::ConfigFileError::None) {
        host_.ShowMessage(storage::ConfigFileErrorMessage(error, path, language_), editor::MessageIcon::Warning);
    }
}

void Configurator::ImportConfiguration() {
    form_.ReadForm();
    const auto path = host_.AskOpenPath();
    if (!path) return;
    const storage::LoadedConfigFile loaded = storage::LoadConfigFile(*path);
    if (loaded.error != storage::ConfigFileError::None) {
        host_.ShowMessage(storage::ConfigFileErrorMessage(loaded, *path, language_), editor::MessageIcon::Warning);
        return;
    }
    form_.ApplyConfigPayload(loaded.payload);
}

bool Configurator::OffersSixLanguages() { return drive_ && protocol::PageBanksDiffer(*drive_); }

void Configurator::ReadRfidTag() {
    form_.ReadRfidTag([this]() -> std::optional<protocol::RfidTag> {
        std::array<std::uint8_t, protocol::RfidTag::kSize> answer{};
        if (!drive_ || !protocol::ReadRfidTag(*drive_, answer)) return std::nullopt;
        return protocol::RfidTag::Decode(answer);
    });
}

void Configurator::CopySerialToClipboard() { host_.CopyToClipboard(EightBitText(serial_text_)); }

void Configurator::CopyTagsToClipboard() {
    const std::u16string text = form_.TagsClipboardText();
    if (!text.empty()) host_.CopyToClipboard(EightBitText(text));
}

void Configurator::SetExtendedSettings() {
    form_.ReadForm();
    if (const auto chosen = host_.RunExtendedOptionsDialog(form_.extended_options())) {
        form_.ApplyExtendedOptions(*chosen);
    }
    form_.WriteForm();
}

void Configurator::BrowseForLogFolder() {
    if (const auto folder = host_.AskFolder()) {
        view_.SetText(ControlId::FolderField, TextFromPath(*folder));
    }
}

void Configurator::OnCurrentPasswordFocusLost() { form_.OnCurrentPasswordFocusLost(); }

void Configurator::OnUploadShortcut() {
    if (scan_running_ || !view_.Enabled(ControlId::UploadSettings)) return;
    UploadSettings();
}

void Configurator::OnCommand(ControlId id) {
    const auto probe = [this] { return OffersSixLanguages(); };
    switch (id) {
        case ControlId::Rescan: StartDriveScan(); break;
        case ControlId::UploadSettings: UploadSettings(); break;
        case ControlId::ChangeAdminPassword: form_.OnChangeAdminPassword(); break;
        case ControlId::ChangeUserPassword: form_.OnChangeUserPassword(probe); break;
        case ControlId::ChangeSettings: form_.OnChangeSettings(probe); break;
        case ControlId::ChangeRfidTagData: form_.OnChangeRfidTagData(); break;
        case ControlId::RfidEnable: form_.OnRfidEnable(); break;
        case ControlId::RfidDisable: form_.OnRfidDisable(); break;
        case ControlId::StrongPasswordEnable: form_.OnStrongPasswordEnable(); break;
        case ControlId::StrongPasswordDisable: form_.OnStrongPasswordDisable(); break;
        case ControlId::ReadRfidTag: ReadRfidTag(); break;
        case ControlId::ClearAllRfidTags:
            form_.ReadForm();
            form_.ClearAllTags();
            break;
        case ControlId::AdminTag1: form_.ToggleAdminTag(0); break;
        case ControlId::AdminTag2: form_.ToggleAdminTag(1); break;
        case ControlId::AdminTag3: form_.ToggleAdminTag(2); break;
        case ControlId::CopySerial: CopySerialToClipboard(); break;
        case ControlId::CopyTags: CopyTagsToClipboard(); break;
        case ControlId::SetExtendedSettings: SetExtendedSettings(); break;
        case ControlId::SaveAs: SaveConfiguration(true); break;
        case ControlId::Import: ImportConfiguration(); break;
        case ControlId::FolderButton: BrowseForLogFolder(); break;
        case ControlId::DetectCurrentSettings: form_.OnDetectCurrentSettings(); break;
        case ControlId::Exit: OnExit(); break;
        case ControlId::Ok: OnOk(); break;
        default: break;
    }
}

bool Configurator::WriteLogIfDue() {
    if (uploaded_.empty() || !view_.Checked(ControlId::EnableLog)) return true;
    const storage::LogWriteResult result =
        storage::WriteOperationLog(PathFromText(view_.Text(ControlId::FolderField)), uploaded_, host_.LocalTime());
    if (!result.ok) {
        // The serial numbers stay in memory and the window stays open, so the
        // administrator can pick another folder and leave again.
        host_.ShowMessage(
            storage::ConfigFileErrorMessage(storage::ConfigFileError::CannotCreate, result.path, language_),
            editor::MessageIcon::Warning);
        // The folder may be locked with the rest of the form after an
        // upload: it has to be usable to name another one.
        view_.SetEnabled(ControlId::FolderField, true);
        view_.SetEnabled(ControlId::FolderButton, true);
        return false;
    }
    log_path_ = result.path;
    uploaded_.Clear();  // written once; a refused exit does not write it again
    return true;
}

void Configurator::OnExit() {
    if (!WriteLogIfDue()) return;
    OnOk();
}

void Configurator::OnCloseRequest() { OnExit(); }

void Configurator::OnOk() {
    // Every way out writes the log of the drives configured in this run.
    if (!WriteLogIfDue()) return;
    if (!form_.ReadForm()) return;
    CloseDrive();
    host_.EndDialog(DialogResult::Ok);
}

void Configurator::OnTitleClose() {
    if (!WriteLogIfDue()) return;
    CloseDrive();
    host_.EndDialog(DialogResult::Cancel);
}

}  // namespace qx7::app
