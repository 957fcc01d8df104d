#pragma once
// The operation log: the serial numbers of the drives configured in this
// run, written as one plain-text file when the administrator leaves.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qx7::storage {

// Drives uploaded in this run, in upload order; the same drive uploaded
// twice has two entries. Each entry is the first 16 characters of the
// serial number, one byte per character (low 8 bits), with control
// characters (a zero byte included) written as "\xNN" (so an entry may be
// longer than 16 bytes, and is always one line). No fixed capacity.
class UploadedSerials {
public:
    void Add(std::u16string_view serial_text);
    void Clear();
    const std::vector<std::string>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }

private:
    std::vector<std::string> entries_;
};

// "%d%d%d-%d%d%d": year, month, day, hour, minute, second without leading
// zeros (2 May 2014 09:05:07 gives "201452-957").
std::string LogStamp(const std::tm& local_time);

// The lines of the log: each entry followed by CR LF.
std::string LogContent(const UploadedSerials& serials);

struct LogWriteResult {
    bool ok = false;
    std::filesystem::path path;  // the file written, or the one that could not be created
};

// Creates `folder` (one level; failure ignored), then writes
// "<folder>/QX7Cfg_Log-<stamp>.txt". An existing log is never replaced: when
// that name is taken, a counter goes before ".txt" ("...-957-2.txt", "-3", ...).
LogWriteResult WriteOperationLog(const std::filesystem::path& folder, const UploadedSerials& serials,
                                 const std::tm& local_time);

// Replaces the log at `path` (one WriteOperationLog made) with `serials`,
// atomically: whatever ends the process meanwhile, the file holds either the
// earlier lines or the new ones.
bool RewriteOperationLog(const std::filesystem::path& path, const UploadedSerials& serials);

}  // namespace qx7::storage
