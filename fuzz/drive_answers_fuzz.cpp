// The drive's answers: the fixed-size record codecs, and the reads of an
// opened drive over a device that answers with the fuzz input, through to
// the texts and the form they fill.
//
// Input: the first bytes also serve as one record of each kind for the
// codecs. Then: one byte whose lowest bit picks the language, and the
// answer script (support/answer_script.h) for the commands of
// ReadEverything (support/drive_reads.h).

#include <algorithm>
#include <span>

#include "app/memory_form_view.h"
#include "editor/settings_form.h"
#include "protocol/drive_messages.h"
#include "protocol/records.h"
#include "support/answer_script.h"
#include "support/drive_reads.h"
#include "support/fuzz_target.h"
#include "support/silent_notifier.h"

namespace {

using namespace qx7;

// Decoding a record and encoding it again gives back the same bytes: every
// byte of a record lands in a field, reserved ones included, so a record
// read from the drive and written back changes nothing the program did not
// mean to change.
template <typename Record>
void CheckRoundTrip(std::span<const std::uint8_t> input) {
    if (input.size() < Record::kSize) return;
    const auto bytes = input.first<Record::kSize>();
    const Record record = Record::Decode(bytes);
    const auto encoded = record.Encode();
    QX7_FUZZ_CHECK(std::equal(encoded.begin(), encoded.end(), bytes.begin()));
    QX7_FUZZ_CHECK(Record::Decode(encoded) == record);
}

void CheckReading(const fuzz::DriveReads& reads) {
    const protocol::DriveReading& reading = reads.reading;
    // The serial number is the 16 device-id bytes, one character each, and
    // only an accepted identity sets it.
    if (reading.identity_ok) {
        QX7_FUZZ_CHECK(reads.serial_text.size() == 16);
        QX7_FUZZ_CHECK(
            std::all_of(reads.serial_text.begin(), reads.serial_text.end(), [](char16_t c) { return c <= 0xFF; }));
    } else {
        QX7_FUZZ_CHECK(reads.serial_text.empty());
    }
    if (!reading.status_ok) QX7_FUZZ_CHECK(reading.status == protocol::DriveStatus{});
    // The form unlocks only on a settings read and an administrator status.
    if (reading.admin_mode()) QX7_FUZZ_CHECK(reading.settings_ok && reading.status.admin_unlocked());
    // A failed channel fetch leaves its key material zero.
    if (!reading.channel.channel_key) QX7_FUZZ_CHECK(reads.keys.channel_key == protocol::Aes256Key{});
    if (!reading.channel.token_index) QX7_FUZZ_CHECK(reads.keys.token_index == decltype(reads.keys.token_index){});
}

// What the window does with a reading: the messages, the setup id text,
// and the form filled from the drive's settings, its tag and its error.
void ShowReading(const fuzz::DriveReads& reads, strings::Language language) {
    const protocol::DriveReading& reading = reads.reading;
    for (const protocol::DriveMessage& message : protocol::ReadingMessages(reading, language)) {
        QX7_FUZZ_CHECK(!message.text.empty());
    }

    app::MemoryFormView view;
    fuzz::SilentNotifier notifier;
    editor::SettingsForm form(view, notifier, language);
    form.SetLanguageLists(reads.six_languages);
    form.WriteForm();
    form.values().serial_number = reads.serial_text;
    if (reading.settings_ok) {
        form.drive_settings() = reading.settings;
        form.values().current_setup_id = protocol::SetupIdText(reading.settings.setup_id, language);
        QX7_FUZZ_CHECK(!form.values().current_setup_id.empty());
        form.set_rfid_supported(reading.status.rfid_supported());
        form.FillFormFromSettings(reading.settings);
        form.EnableRfidSection(true);
        form.ApplyChangeChecks();
        form.ReadForm();
        form.OnDetectCurrentSettings();
    }
    if (reads.tag_ok) {
        const protocol::RfidTag tag = protocol::RfidTag::Decode(reads.tag);
        form.ReadRfidTag([&] { return std::optional<protocol::RfidTag>(tag); });
        (void)editor::TagText(tag);
        (void)form.TagsClipboardText();
    }
    const protocol::LastError error =
        reads.last_error_ok ? protocol::LastError::Decode(reads.last_error) : protocol::LastError{};
    (void)protocol::UploadFailureMessage(error, language);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    CheckRoundTrip<protocol::DriveIdentity>(input);
    CheckRoundTrip<protocol::LastError>(input);
    CheckRoundTrip<protocol::DriveStatus>(input);
    CheckRoundTrip<protocol::SettingsRecord>(input);
    CheckRoundTrip<protocol::RfidTag>(input);
    CheckRoundTrip<protocol::SettingsUpload>(input);

    fuzz::ByteReader in(input);
    const auto language = (in.U8() & 1) != 0 ? strings::Language::Korean : strings::Language::English;
    fuzz::AnswerScriptDevice device(in);
    const fuzz::DriveReads reads = fuzz::ReadEverything(device);
    CheckReading(reads);
    ShowReading(reads, language);
    return 0;
}
