// The ".qx7" configuration file, read as the program reads it and imported
// into a form as the window imports it.
//
// Input: the bytes of a file; the last byte also picks the language (bit 0)
// and the import mode (bit 1). They are written to a temporary file and
// loaded with LoadConfigFile. A mutated ciphertext almost never deciphers
// to a valid header, so the first 304 bytes are also taken as a payload in
// the clear: its header stamped, enciphered, saved and loaded back (refused
// exactly when FindConfigFileDamage finds damage), and imported whether the
// loader took it or not, which lets the fuzzer reach the import with any
// field values. A form that imported a file the loader takes saves a file
// the loader takes again.

#include <algorithm>
#include <span>

#include "app/memory_form_view.h"
#include "editor/control_id.h"
#include "editor/settings_form.h"
#include "storage/config_file.h"
#include "storage/config_file_check.h"
#include "support/fuzz_target.h"
#include "support/silent_notifier.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace qx7;
using storage::ConfigFileError;
using storage::ConfigFilePayload;

storage::LoadedConfigFile LoadBytes(std::span<const std::uint8_t> bytes) {
    // One folder for the whole run, removed when the program ends.
    static const test::TempFolder folder("qx7-fuzz");
    return storage::LoadConfigFile(folder.Write("input.qx7", bytes));
}

// A payload the import produced, saved again: the file reads back equal.
void CheckSavedAgain(const ConfigFilePayload& payload) {
    ConfigFilePayload stamped = payload;
    stamped.StampHeader();
    const auto bytes = storage::EncryptConfigFile(payload);
    QX7_FUZZ_CHECK(storage::DecryptConfigFile(bytes) == stamped);
}

bool LoaderTakes(const ConfigFilePayload& payload) {
    return !storage::FindConfigFileDamage(payload, storage::ConfigFileTrailer{}).has_value();
}

// The window's import into a fresh form; then the form is read back and
// gathered as for an upload and a saved file.
void Import(const ConfigFilePayload& payload, strings::Language language, editor::ImportMode mode) {
    app::MemoryFormView view;
    fuzz::SilentNotifier notifier;
    editor::SettingsForm form(view, notifier, language);
    form.SetLanguageLists(true);
    form.WriteForm();
    form.set_rfid_supported(true);
    form.ApplyConfigPayload(payload, mode);
    (void)form.TagsClipboardText();
    view.SetText(editor::ControlId::CurrentPassword, u"ADMIN1");
    if (!form.ReadForm()) return;
    if (const auto gathered = form.GatherSettingsUpload()) {
        CheckSavedAgain(gathered->payload);
        if (LoaderTakes(payload)) QX7_FUZZ_CHECK(LoaderTakes(gathered->payload));
    }
}

void CheckLoaded(const storage::LoadedConfigFile& loaded, std::size_t size) {
    if (size != storage::kConfigFileSize) {
        QX7_FUZZ_CHECK(loaded.error == ConfigFileError::InvalidLength);
    }
    if (loaded.error == ConfigFileError::None) {
        QX7_FUZZ_CHECK(loaded.payload.HasValidHeader());
    } else {
        // A refused file leaves nothing behind for the form to use.
        QX7_FUZZ_CHECK(loaded.payload == ConfigFilePayload{});
        QX7_FUZZ_CHECK(!storage::ConfigFileErrorMessage(loaded, "input.qx7", strings::Language::English).empty());
        QX7_FUZZ_CHECK((loaded.error == ConfigFileError::Damaged) == !loaded.damage.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    // The input's last byte picks the language and the import mode.
    const std::uint8_t last = size == 0 ? 0 : input.back();
    const auto language = (last & 1) == 0 ? strings::Language::English : strings::Language::Korean;
    const auto mode = (last & 2) == 0 ? editor::ImportMode::ReplaceDriveSettings : editor::ImportMode::KeepDriveBytes;

    const storage::LoadedConfigFile loaded = LoadBytes(input);
    CheckLoaded(loaded, size);
    if (loaded.error == ConfigFileError::None) Import(loaded.payload, language, mode);

    if (size < ConfigFilePayload::kSize) return 0;
    const auto plain = input.first<ConfigFilePayload::kSize>();
    ConfigFilePayload payload = ConfigFilePayload::Decode(plain);
    const auto encoded = payload.Encode();
    QX7_FUZZ_CHECK(std::equal(encoded.begin(), encoded.end(), plain.begin()));
    payload.StampHeader();
    const storage::LoadedConfigFile reloaded = LoadBytes(storage::EncryptConfigFile(payload));
    if (LoaderTakes(payload)) {
        QX7_FUZZ_CHECK(reloaded.error == ConfigFileError::None);
        QX7_FUZZ_CHECK(reloaded.payload == payload);
    } else {
        QX7_FUZZ_CHECK(reloaded.error == ConfigFileError::Damaged);
        QX7_FUZZ_CHECK(reloaded.payload == ConfigFilePayload{});
    }
    Import(payload, language, mode);
    return 0;
}
