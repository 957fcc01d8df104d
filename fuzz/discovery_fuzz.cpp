// Drive discovery over a bus whose devices, strings and answers come from
// the fuzz input, through the window's logic (scan, reads of the listed
// drives); and the text conversions that untrusted USB strings and sysfs
// texts go through.
//
// Input: a block (16-bit length, bytes) of sysfs-like text for the text
// checks, one byte whose lowest bit picks the language, then the bus
// (support/fuzz_bus.h) with its answer script.

#include <algorithm>
#include <cctype>
#include <span>
#include <string>
#include <string_view>

#include "platform/linux/usb_attributes.h"
#include "strings/control_escape.h"
#include "strings/text_codec.h"
#include "support/fuzz_bus.h"
#include "support/fuzz_target.h"
#include "support/window_flow.h"
#include "transport/discovery.h"
#include "transport/known_device_ids.h"

namespace {

using namespace qx7;

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// No unpaired surrogate.
bool IsWellFormed(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
            ++i;
        } else if (IsHigh(text[i]) || IsLow(text[i])) {
            return false;
        }
    }
    return true;
}

// `text` with each unpaired surrogate replaced by U+FFFD.
std::u16string Repaired(std::u16string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
            out += text[i];
            out += text[++i];
        } else {
            out += (IsHigh(text[i]) || IsLow(text[i])) ? u'\uFFFD' : text[i];
        }
    }
    return out;
}

bool IsControl(char16_t c) { return c <= 0x1F || (c >= 0x7F && c <= 0x9F); }

// A UTF-16 text from outside (a USB string).
void CheckWideText(std::u16string_view text) {
    const std::string utf8 = strings::ToUtf8(text);
    QX7_FUZZ_CHECK(strings::FromUtf8(utf8) == Repaired(text));
    const std::u16string escaped = strings::EscapeControlCharacters(text);
    QX7_FUZZ_CHECK(std::none_of(escaped.begin(), escaped.end(), IsControl));
    for (const std::size_t units : {std::size_t{0}, std::size_t{1}, transport::kUsbStringUnits}) {
        const std::u16string fitted = transport::FitText(text, units);
        const std::u16string_view whole = text.substr(0, text.find(u'\0'));
        QX7_FUZZ_CHECK(fitted.size() <= units && whole.starts_with(fitted));
        // The cut never parts a surrogate pair.
        if (!fitted.empty() && fitted.size() < whole.size()) {
            QX7_FUZZ_CHECK(!(IsHigh(fitted.back()) && IsLow(whole[fitted.size()])));
        }
    }
}

// Bytes from outside: sysfs attribute texts, a manifest, a file name.
void CheckNarrowText(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::u16string wide = strings::FromUtf8(text);
    QX7_FUZZ_CHECK(IsWellFormed(wide));
    QX7_FUZZ_CHECK(strings::FromUtf8(strings::ToUtf8(wide)) == wide);
    const std::string escaped = strings::EscapeControlCharacters(text);
    const std::u16string escaped_wide = strings::FromUtf8(escaped);
    QX7_FUZZ_CHECK(std::none_of(escaped_wide.begin(), escaped_wide.end(), IsControl));

    const std::u16string latin = strings::FromLatin1(bytes);
    const auto back = strings::ToLatin1(latin);
    QX7_FUZZ_CHECK(back.has_value() && *back == text);

    const std::u16string usb_string = platform::UsbStringText(text);
    QX7_FUZZ_CHECK(usb_string.size() <= transport::kUsbStringUnits && IsWellFormed(usb_string));
    if (const auto id = platform::ParseUsbIdText(text)) {
        QX7_FUZZ_CHECK(text.size() == 4);
        QX7_FUZZ_CHECK(
            std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }));
        QX7_FUZZ_CHECK(*id == std::stoul(std::string(text), nullptr, 16));
    }
    (void)platform::PortFromUsbName(text);
}

void CheckTable(const transport::DriveTable& table) {
    QX7_FUZZ_CHECK(table.drive_count() <= transport::kMaxDrives);
    QX7_FUZZ_CHECK(table.lines.size() == table.listing_map.size());
    for (std::size_t line = 0; line < table.listing_map.size(); ++line) {
        QX7_FUZZ_CHECK(table.listing_map[line] < table.records.size());
        if (line > 0) QX7_FUZZ_CHECK(table.listing_map[line - 1] < table.listing_map[line]);
        QX7_FUZZ_CHECK(table.lines[line].size() <= transport::kLineUnits);
        QX7_FUZZ_CHECK(transport::IsListed(*table.ListedRecord(line)));
    }
    QX7_FUZZ_CHECK(table.ListedRecord(table.listing_map.size()) == nullptr);
    for (const transport::DriveRecord& record : table.records) {
        QX7_FUZZ_CHECK(!record.usb_key.empty() && !record.parent_key.empty());
        QX7_FUZZ_CHECK(transport::KnownDeviceIndex({static_cast<std::uint16_t>(record.vendor_id),
                                                    static_cast<std::uint16_t>(record.product_id)}) ==
                       record.entry_index);
        QX7_FUZZ_CHECK(record.storage_count <= transport::kMaxStorageDevices);
        QX7_FUZZ_CHECK(record.volumes.size() <= transport::kMaxVolumes);
        for (const std::u16string* text : {&record.manufacturer, &record.product, &record.serial_number}) {
            QX7_FUZZ_CHECK(text->size() <= transport::kUsbStringUnits);
            QX7_FUZZ_CHECK(text->find(u'\0') == std::u16string::npos);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ByteReader in(std::span<const std::uint8_t>(data, size));
    CheckNarrowText(in.Block());
    const auto language = (in.U8() & 1) != 0 ? strings::Language::Korean : strings::Language::English;
    fuzz::FuzzBus bus(in);
    for (const transport::UsbDevice& device : bus.UsbDevices()) {
        CheckWideText(device.manufacturer);
        CheckWideText(device.product);
        CheckWideText(device.serial_number);
    }

    fuzz::WindowFlow flow;
    fuzz::RunWindowFlow(bus, language, flow, [](const app::Configurator& window) {
        CheckTable(window.drive_table());
        // The serial number shown is the drive's 16 id bytes, or nothing.
        const std::size_t serial = window.serial_text().size();
        QX7_FUZZ_CHECK(serial == 0 || serial == 16);
    });
    return 0;
}
