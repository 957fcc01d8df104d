#pragma once
// The HTTP side of the update check: one GET per file, the whole body at
// once, with the HTTP status code of the answer; the check decides what a
// status code means (see update_check.h).

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

// HTTP status codes 200 to 299.
constexpr bool IsSuccessCode(int http_code) { return http_code >= 200 && http_code <= 299; }

struct HttpResponse {
    HttpStatus status = HttpStatus::RequestFailed;
    std::vector<std::uint8_t> body;  // empty unless status is Ok
    int http_code = 200;             // the answer's HTTP status code, when status is Ok
};

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // Fetches `url`. Whatever the HTTP status, an answer whose body fits
    // (BodyFits) is Ok, with its status code in http_code; a longer body is
    // RequestFailed and is not kept.
    virtual HttpResponse Get(const std::string& url) = 0;
};

}  // namespace qx7::updater
