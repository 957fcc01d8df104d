#include "storage/operation_log.h"

#include "storage/files.h"
#include "storage/numbered_name.h"
#include "strings/control_escape.h"

#include <system_error>

namespace qx7::storage {
namespace {

constexpr std::size_t kEntryLength = 16;
// Enough for any number of same-second logs a person can produce; a bound
// keeps a folder full of such names from looping for long.
constexpr int kMaxNameCounter = 10000;

std::filesystem::path LogPath(const std::filesystem::path& folder, const std::string& stamp, int counter) {
    std::string name = "QX7Cfg_Log-";
    name += stamp;
    name += ".txt";
    return NumberedName(folder / name, counter);
}

}  // namespace

void UploadedSerials::Add(std::u16string_view serial_text) {
    std::u16string low_bytes;
    for (const char16_t c : serial_text.substr(0, kEntryLength)) low_bytes.push_back(static_cast<char16_t>(c & 0xFF));
    // A drive chooses its serial number: a line end in it must not add a
    // line to the log, nor an escape sequence reach whoever prints the log.
    // A zero byte is escaped too, not taken for the end: two drives whose
    // numbers differ only after it stay two entries, each as the result
    // line and the report print it.
    std::string entry;
    for (const char16_t c : strings::EscapeControlCharacters(low_bytes)) entry.push_back(static_cast<char>(c));
    entries_.push_back(std::move(entry));
}

void UploadedSerials::Clear() { entries_.clear(); }

std::string LogStamp(const std::tm& t) {
    // Widened so that no field value, however odd, can overflow.
    const auto field = [](int value, long long offset) { return std::to_string(value + offset); };
    return field(t.tm_year, 1900) + field(t.tm_mon, 1) + field(t.tm_mday, 0) + "-" + field(t.tm_hour, 0) +
           field(t.tm_min, 0) + field(t.tm_sec, 0);
}

std::string LogContent(const UploadedSerials& serials) {
    std::string content;
    for (const std::string& entry : serials.entries()) content += entry + "\r\n";
    return content;
}

LogWriteResult WriteOperationLog(const std::filesystem::path& folder, const UploadedSerials& serials,
                                 const std::tm& local_time) {
    std::error_code ignored;
    std::filesystem::create_directory(folder, ignored);

    const std::string stamp = LogStamp(local_time);
    LogWriteResult result;
    // Everything must reach the disk for the log to count as written; a
    // partial file is kept, as it still names the drives it holds. An
    // earlier log of the same name, or one created meanwhile by another
    // process, is never replaced; the next counter is tried instead.
    const std::string content = LogContent(serials);
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    for (int counter = 1; counter <= kMaxNameCounter; ++counter) {
        result.path = LogPath(folder, stamp, counter);
        const NewFileResult written = WriteNewFile(result.path, bytes);
        if (written == NewFileResult::NameTaken) continue;
        result.ok = written == NewFileResult::Written;
        break;
    }
    return result;
}

bool RewriteOperationLog(const std::filesystem::path& path, const UploadedSerials& serials) {
    const std::string content = LogContent(serials);
    return ReplaceFile(path, std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
}

}  // namespace qx7::storage
