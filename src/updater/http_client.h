#pragma once
// The HTTP side of the update check: one GET per file, the whole body at
// once. The check never looks at the HTTP status; a missing file shows in
// the body (see update_check.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qx7::updater {

// The check reads each file into one buffer of this size; a body must be
// shorter than the buffer, so that at least one zero byte follows it.
inline constexpr std::size_t kReadBufferSize = 4096;

// True when a body of `size` bytes can be accepted.
constexpr bool BodyFits(std::size_t size) { return size < kReadBufferSize; }

enum class HttpStatus {
    Ok,             // the server answered; `body` holds what it sent
    NoConnection,   // no session could be opened or the server could not be reached
    RequestFailed,  // the server was reached but the request did not complete
};

struct HttpResponse {
    HttpStatus status = HttpStatus::RequestFailed;
    std::vector<std::uint8_t> body;  // empty unless status is Ok
};

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // Fetches `url`. Whatever the HTTP status, an answer whose body fits
    // (BodyFits) is Ok; a longer body is RequestFailed and is not kept.
    virtual HttpResponse Get(const std::string& url) = 0;
};

}  // namespace qx7::updater
