#include "support/replay_device.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "strings/hex.h"
#include "transport/tracing_device.h"

namespace qx7::test {
namespace {

using transport::DataDirection;

std::optional<std::size_t> Number(std::string_view text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// The value of `key=` when `field` is that field.
std::optional<std::string_view> Field(std::string_view field, std::string_view key) {
    if (field.size() <= key.size() || field.substr(0, key.size()) != key || field[key.size()] != '=') {
        return std::nullopt;
    }
    return field.substr(key.size() + 1);
}

// One "scsi ..." line, or why it cannot be read.
std::optional<TraceStep> ParseLine(std::string_view line, std::string* why) {
    TraceStep step;
    line.remove_prefix(5);  // "scsi "
    if (line.substr(0, 4) == "dev=") {
        // A path may hold spaces: it runs up to the command block.
        const std::size_t cdb = line.find(" cdb=");
        if (cdb == std::string_view::npos) {
            *why = "no cdb=";
            return std::nullopt;
        }
        step.device = std::string(line.substr(4, cdb - 4));
        line.remove_prefix(cdb + 1);
    }
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const std::size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
    }
    static constexpr const char* kKeys[] = {"cdb", "dir", "len", "status", "xfer", "data"};
    if (fields.size() != std::size(kKeys)) {
        *why = "expected the fields cdb, dir, len, status, xfer and data";
        return std::nullopt;
    }
    std::string_view values[std::size(kKeys)];
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
        const auto value = Field(fields[i], kKeys[i]);
        if (!value && !(i == 5 && fields[i] == "data=")) {
            *why = std::string("expected ") + kKeys[i] + "= in field " + std::to_string(i + 1);
            return std::nullopt;
        }
        values[i] = value.value_or(std::string_view());
    }
    const auto cdb = strings::FromHex(values[0]);
    if (!cdb || cdb->empty() || cdb->size() > 16) {
        *why = "cdb= is not 1 to 16 bytes of hex";
        return std::nullopt;
    }
    step.cdb = *cdb;
    const auto direction = transport::DirectionFromText(values[1]);
    const auto length = Number(values[2]);
    const auto transferred = Number(values[4]);
    if (!direction || !length || !transferred) {
        *why = "dir=, len= or xfer= cannot be read";
        return std::nullopt;
    }
    step.direction = *direction;
    step.length = *length;
    step.transferred = *transferred;
    if (step.length > transport::kMaxTransferLength || step.transferred > step.length ||
        (step.direction == DataDirection::None && step.length != 0)) {
        *why = "len= or xfer= out of range";
        return std::nullopt;
    }
    if (values[3] != "io-error") {
        const auto status = strings::FromHex(values[3]);
        if (!status || status->size() != 1) {
            *why = "status= is neither one hex byte nor io-error";
            return std::nullopt;
        }
        step.status = (*status)[0];
    }
    const std::string_view data = values[5];
    if (data.substr(0, 10) == "<redacted:" && data.size() > 11 && data.back() == '>') {
        step.redacted = Number(data.substr(10, data.size() - 11));
        if (!step.redacted) {
            *why = "data=<redacted:N> without a number";
            return std::nullopt;
        }
    } else {
        const auto bytes = strings::FromHex(data);
        if (!bytes) {
            *why = "data= is not hex";
            return std::nullopt;
        }
        step.data = *bytes;
    }
    // What the tracer prints: the bytes sent for data out, the bytes moved
    // for data in, nothing otherwise.
    const std::size_t shown = step.redacted ? *step.redacted : step.data.size();
    const std::size_t expected = step.direction == DataDirection::Out  ? step.length
                                 : step.direction == DataDirection::In ? step.transferred
                                                                       : 0;
    if (shown != expected) {
        *why = "data= holds " + std::to_string(shown) + " bytes, expected " + std::to_string(expected);
        return std::nullopt;
    }
    return step;
}

std::string Describe(std::span<const std::uint8_t> cdb, DataDirection direction, std::size_t length) {
    return "cdb=" + strings::ToHex(cdb) + " dir=" + transport::DirectionText(direction) +
           " len=" + std::to_string(length);
}

}  // namespace

ParsedTrace ParseTrace(std::string_view text) {
    ParsedTrace parsed;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.substr(0, 5) != "scsi ") continue;
        std::string why;
        if (auto step = ParseLine(line, &why)) {
            step->line = number;
            parsed.steps.push_back(std::move(*step));
        } else {
            parsed.problems.push_back("log line " + std::to_string(number) + ": " + why);
        }
    }
    return parsed;
}

ReplayScript::ReplayScript(ParsedTrace trace)
    : steps_(std::move(trace.steps)), played_(steps_.size(), false), problems_(std::move(trace.problems)) {}

std::string ReplayScript::Where(std::size_t step) const {
    return "step " + std::to_string(step + 1) + " (log line " + std::to_string(steps_[step].line) +
           (steps_[step].device.empty() ? "" : ", dev=" + steps_[step].device) + ")";
}

transport::ScsiResult ReplayScript::Fail(std::string problem) {
    problems_.push_back(std::move(problem));
    return {};  // an I/O error: the code under test stops here
}

transport::ScsiResult ReplayScript::Play(const std::string& device, const transport::ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    const std::span<const std::uint8_t> cdb(request.cdb.data(),
                                            std::min<std::size_t>(request.cdb_length, request.cdb.size()));
    const std::string sent = Describe(cdb, request.direction, request.data.size());
    std::size_t index = 0;
    while (index < steps_.size() && (played_[index] || steps_[index].device != device)) ++index;
    if (index == steps_.size()) {
        return Fail("dev=" + device + ": the log has no further command, got " + sent);
    }
    played_[index] = true;
    const TraceStep& step = steps_[index];
    const std::string recorded = Describe(step.cdb, step.direction, step.length);
    if (recorded != sent) return Fail(Where(index) + ": expected " + recorded + ", got " + sent);
    if (request.direction == DataDirection::Out && !step.redacted &&
        !std::equal(step.data.begin(), step.data.end(), request.data.begin(), request.data.end())) {
        return Fail(Where(index) + ": " + recorded + " sent data=" + strings::ToHex(request.data) +
                    ", the log has data=" + strings::ToHex(step.data));
    }
    if (request.direction == DataDirection::In && step.redacted) {
        return Fail(Where(index) + ": the drive's answer is redacted in the log; record it with --trace-full");
    }
    transport::ScsiResult result;
    result.io_ok = step.status.has_value();
    result.scsi_status = step.status.value_or(0);
    result.transferred = static_cast<std::uint32_t>(step.transferred);
    if (request.direction == DataDirection::In) {
        std::copy_n(step.data.begin(), std::min(step.data.size(), request.data.size()), request.data.begin());
    }
    return result;
}

std::vector<std::string> ReplayScript::Problems() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> problems = problems_;
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        if (!played_[i]) problems.push_back(Where(i) + ": never played");
    }
    return problems;
}

}  // namespace qx7::test
