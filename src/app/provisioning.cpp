#include "app/provisioning.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/configurator.h"
#include "app/drive_capabilities.h"
#include "app/memory_form_view.h"
#include "app/upload_preview.h"
#include "protocol/constants.h"
#include "protocol/drive_messages.h"
#include "storage/numbered_name.h"
#include "strings/path_text.h"
#include "strings/text_codec.h"

namespace qx7::app {
namespace {

using editor::ControlId;

// Every message shown about the drive, in order (a repeat of the one before
// once), so that the reason of a failure is not hidden behind the last one.
std::u16string DriveMessages(const ScriptedHost& host) {
    if (host.messages.empty()) return u"not configured";
    std::u16string all;
    const std::u16string* previous = nullptr;
    for (const auto& message : host.messages) {
        if (previous && *previous == message.text) continue;
        if (!all.empty()) all += u"; ";
        all += message.text;
        previous = &message.text;
    }
    return all;
}

}  // namespace

std::filesystem::path SavedFileNames::Claim(const std::filesystem::path& wanted) {
    std::lock_guard lock(mutex_);
    for (int counter = 1;; ++counter) {
        std::filesystem::path name = storage::NumberedName(wanted, counter);
        if (claimed_.insert(name).second) return name;
    }
}

std::string_view DriveStepName(DriveStep step) {
    switch (step) {
        case DriveStep::Reading: return "reading";
        case DriveStep::Importing: return "importing";
        case DriveStep::Uploading: return "uploading";
        case DriveStep::Verifying: return "verifying";
        case DriveStep::Finished: return "finished";
    }
    return "?";
}

std::string_view DriveResultName(DriveResult result) {
    switch (result) {
        case DriveResult::Configured: return "configured";
        case DriveResult::Failed: return "failed";
        case DriveResult::Skipped: return "skipped";
        case DriveResult::Interrupted: return "interrupted";
        case DriveResult::Previewed: return "previewed";
    }
    return "?";
}

DriveOutcome ProvisionDrive(const ProvisioningPlan& plan, transport::DeviceEnumerator& devices,
                            const transport::DriveTable& table, std::size_t line, DriveContext& context,
                            const StopFlag* stop) {
    static std::atomic<std::uint64_t> attempts{0};
    DriveOutcome outcome;
    outcome.attempt = ++attempts;
    outcome.line = table.TablePosition(line);
    outcome.started = std::chrono::system_clock::now();
    const auto finish = [&](DriveResult result) {
        outcome.result = result;
        outcome.finished = std::chrono::system_clock::now();
        context.OnStep(DriveStep::Finished);
        return outcome;
    };
    const auto stopped = [stop] { return stop && stop->load(); };
    if (stopped()) return finish(DriveResult::Interrupted);

    ScriptedHost& host = context.host();
    host.sleep_on_wait = plan.real_waits;
    host.local_time = plan.local_time;
    host.program_folder = plan.folder;
    MemoryFormView view;
    Configurator configurator(view, host, devices, plan.language);
    // The reading's diagnostic line is the drive's: it goes out with the
    // drive's serial number, not straight to a stream other drives share.
    std::ostringstream diagnostics;
    configurator.set_diagnostics(&diagnostics);
    if (plan.saved_names) {
        configurator.set_auto_save_name(
            [names = plan.saved_names](const std::filesystem::path& wanted) { return names->Claim(wanted); });
    }

    context.OnStep(DriveStep::Reading);
    configurator.InitializeWithDrives(table, line);
    editor::SettingsForm& form = configurator.form();
    outcome.serial = configurator.serial_text();
    // A value for the report, the same in every language: the field's text
    // ("No Previous Setup ID" when there is none) as the English window
    // shows it.
    if (!form.values().current_setup_id.empty()) {
        outcome.previous_setup_id = protocol::SetupIdText(form.drive_settings().setup_id, strings::Language::English);
    }
    const protocol::SettingsRecord read_settings = form.drive_settings();  // before the import
    context.OnRead(outcome.serial, diagnostics.str());

    if (!context.Wanted(outcome.serial)) return finish(DriveResult::Skipped);
    if (!configurator.admin_ready()) {
        outcome.error = DriveMessages(host);
        return finish(DriveResult::Failed);
    }
    // A setting the drive cannot take fails this drive before anything is
    // written to it; the other drives of the run go on.
    const DriveCapabilities capabilities{configurator.OffersSixLanguages(), form.rfid_supported()};
    if (std::u16string reason = UnhonouredSettings(plan.payload, capabilities, plan.language); !reason.empty()) {
        outcome.error = std::move(reason);
        return finish(DriveResult::Failed);
    }

    // The window's Import, with the file checked before the run, keeping
    // the drive's own bytes; then the password typed into its field.
    context.OnStep(DriveStep::Importing);
    view.SetText(ControlId::FolderField, strings::FromUtf8(strings::PathText(plan.folder)));
    view.SetChecked(ControlId::AutoSaveConfiguration, plan.auto_save);
    view.SetChecked(ControlId::EnableLog, false);  // the run writes one log for all its drives
    form.ReadForm();
    // The messages shown so far, on reading the drive and the form it
    // filled, are about the drive's old values.
    const std::size_t messages_on_old_values = host.messages.size();
    form.ApplyConfigPayload(plan.payload, editor::ImportMode::KeepDriveBytes);
    view.SetText(ControlId::CurrentPassword, plan.password);
    configurator.OnCurrentPasswordFocusLost();
    // A value the form refuses (its message shown) is never sent.
    if (!form.ReadForm()) {
        outcome.error = DriveMessages(host);
        return finish(DriveResult::Failed);
    }
    if (stopped()) return finish(DriveResult::Interrupted);

    // A message about a value the drive had (one out of the form's range,
    // say) warns of nothing once a file that sets the settings replaced
    // every such value with one of its own, checked before the run.
    const bool settings_replaced = (plan.payload.change_mask & protocol::kChangeSettings) != 0;
    const auto warned = [&] {
        return host.messages.size() > (settings_replaced ? messages_on_old_values : 0) || !outcome.kept.empty();
    };

    if (plan.dry_run) {
        const auto changes = PreviewUpload(configurator, read_settings);
        if (!changes) {
            outcome.error = DriveMessages(host);
            return finish(DriveResult::Failed);
        }
        outcome.changes = *changes;
        outcome.kept = KeptAgainstFile(plan.payload, form.values(), /*to_come=*/true);
        outcome.new_setup_id = form.values().new_setup_id;
        outcome.warnings = warned();
        return finish(DriveResult::Previewed);
    }

    // What a configured drive's outcome says, from the moment the drive
    // accepted the write.
    const auto configured = [&] {
        outcome.result = DriveResult::Configured;
        outcome.new_setup_id = form.values().new_setup_id;
        outcome.kept = KeptAgainstFile(plan.payload, form.values(), /*to_come=*/false);
        outcome.warnings = warned();
        if (plan.auto_save) outcome.saved_file = configurator.last_saved_path();
    };
    configurator.set_upload_accepted([&] {
        configured();
        outcome.storing = true;
        outcome.finished = std::chrono::system_clock::now();
        context.OnWritten(outcome);
        outcome.storing = false;
    });

    context.OnStep(DriveStep::Uploading);
    configurator.OnCommand(ControlId::UploadSettings);
    if (!configurator.last_upload_succeeded()) {
        outcome.error = DriveMessages(host);
        return finish(DriveResult::Failed);
    }
    configured();
    outcome.verification = Verification::Skipped;
    if (plan.verify && configurator.last_written()) {
        context.OnStep(DriveStep::Verifying);
        const ReadBackResult back =
            ReadBackWritten(devices, table, line, host, *configurator.last_written(), outcome.serial, plan.language);
        outcome.verification = back.verification;
        outcome.mismatches = back.mismatches;
        if (back.verification == Verification::Failed) {
            host.ShowMessage(back.message, editor::MessageIcon::None);
            outcome.error = DriveMessages(host);
            return finish(DriveResult::Failed);
        }
    }
    return finish(DriveResult::Configured);
}

DriveOutcome FailureByException(std::size_t line, const std::exception& error) {
    DriveOutcome outcome;
    outcome.line = line;
    outcome.result = DriveResult::Failed;
    outcome.error = strings::FromUtf8(error.what());
    outcome.finished = outcome.started = std::chrono::system_clock::now();
    return outcome;
}

DriveOutcome UnlistedOutcome(const transport::UnlistedDrive& drive, std::u16string reason) {
    DriveOutcome outcome;
    outcome.listed = false;
    outcome.serial = drive.serial_number;
    outcome.result = DriveResult::Failed;
    outcome.error = std::move(reason);
    outcome.finished = outcome.started = std::chrono::system_clock::now();
    return outcome;
}

std::size_t DefaultJobs(std::size_t drives) { return std::clamp<std::size_t>(drives, 1, kMaxJobs); }

std::vector<DriveOutcome> ProvisionDrives(const ProvisioningPlan& plan, transport::DeviceEnumerator& devices,
                                          const transport::DriveTable& table, const std::vector<std::size_t>& lines,
                                          std::size_t jobs, const DriveContextFactory& contexts,
                                          const OutcomeHandler& finished, const StopFlag* stop) {
    std::vector<DriveOutcome> outcomes(lines.size());
    std::atomic<std::size_t> next{0};
    std::mutex finished_mutex;
    const auto work = [&] {
        for (std::size_t i = next++; i < lines.size(); i = next++) {
            DriveOutcome& outcome = outcomes[i];
            try {
                const std::unique_ptr<DriveContext> context = contexts(table.TablePosition(lines[i]));
                outcome = ProvisionDrive(plan, devices, table, lines[i], *context, stop);
            } catch (const std::exception& e) {
                outcome =
                    FailureByException(table.TablePosition(lines[i]), e);  // one drive's trouble never stops the others
            }
            if (finished) {
                std::lock_guard lock(finished_mutex);
                finished(outcome);
            }
        }
    };
    const std::size_t threads = std::clamp<std::size_t>(jobs, 1, std::max<std::size_t>(lines.size(), 1));
    if (threads == 1) {
        work();
    } else {
        std::vector<std::jthread> pool;
        pool.reserve(threads);
        for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);
    }
    return outcomes;
}

storage::UploadedSerials LogOfRun(const std::vector<DriveOutcome>& outcomes) {
    storage::UploadedSerials serials;
    for (const DriveOutcome& outcome : outcomes) {
        if (outcome.result == DriveResult::Configured) serials.Add(outcome.serial);
    }
    return serials;
}

}  // namespace qx7::app
