#include "app/read_back.h"

#include <sstream>

#include "app/configurator.h"
#include "protocol/constants.h"
#include "protocol/read_sequence.h"
#include "strings/text_codec.h"

namespace qx7::app {
namespace {

constexpr std::u16string_view kPrefix = u"Read back after the upload: ";

ReadBackResult Failure(std::u16string message) {
    ReadBackResult result;
    result.verification = Verification::Failed;
    result.message = std::u16string(kPrefix) + message;
    return result;
}

}  // namespace

std::string_view VerificationName(Verification verification) {
    switch (verification) {
        case Verification::NotDone: return "";
        case Verification::Verified: return "verified";
        case Verification::NothingToCompare: return "nothing to compare";
        case Verification::Skipped: return "skipped";
        case Verification::Failed: return "failed";
    }
    return "";
}

ReadBackResult ReadBackWritten(transport::DeviceEnumerator& devices, const transport::DriveTable& table,
                               std::size_t line, Host& host, const protocol::SettingsUpload& written,
                               std::u16string_view serial, strings::Language language) {
    const transport::DriveRecord* record = table.ListedRecord(line);
    auto device = record ? devices.Open(record->storage_path) : nullptr;
    if (!device) return Failure(u"the drive could not be opened again");
    host.Wait(kWaitAfterOpen);

    protocol::ChannelKeys keys;
    std::u16string found_serial;
    std::ostringstream diagnostics;  // the failure below says what matters
    const protocol::DriveReading reading = protocol::ReadDrive(*device, keys, found_serial, &diagnostics);
    // Another drive on the same path (one unplugged and another plugged in
    // meanwhile) proves nothing about the drive written.
    if (!reading.identity_ok || found_serial != serial) {
        return Failure(u"the drive answering is not the drive written (serial " +
                       (reading.identity_ok ? found_serial : u"unknown") + u")");
    }
    if (!reading.settings_ok) {
        std::u16string why = u"its settings could not be read";
        for (const auto& message : protocol::ReadingMessages(reading, language)) {
            why += u"; " + message.text;
        }
        return Failure(std::move(why));
    }

    ReadBackResult result;
    if ((written.change_mask & protocol::kChangeSettings) == 0) {
        result.verification = Verification::NothingToCompare;
        return result;
    }
    result.mismatches = editor::SettingsDifference(written.settings, reading.settings);
    if (result.mismatches.empty()) {
        result.verification = Verification::Verified;
        return result;
    }
    std::u16string differences;
    for (const editor::FieldChange& change : result.mismatches) {
        if (!differences.empty()) differences += u"; ";
        differences +=
            strings::FromUtf8(change.field + ": expected " + change.before + " \u2192 found " + change.after);
    }
    ReadBackResult failed = Failure(u"the drive holds other settings than it was sent: " + differences);
    failed.mismatches = std::move(result.mismatches);
    return failed;
}

}  // namespace qx7::app
