// SystemHttpClient over libcurl.

#include "updater/system_http_client.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace qx7::updater {

// The transfers run through a multi handle so that a waiting transfer can
// be woken (curl_multi_wakeup) and abandoned when the client is cancelled.
struct SystemHttpClient::Session {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    bool ready = false;  // all of the above were created

    Session() {
        static const CURLcode global_init = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (global_init != CURLE_OK) return;
        easy = curl_easy_init();
        multi = curl_multi_init();
        if (easy == nullptr || multi == nullptr) return;
        // Ask proxies and servers for a fresh copy, never a cached one.
        for (const char* header : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
            curl_slist* const extended = curl_slist_append(headers, header);
            if (extended == nullptr) return;
            headers = extended;
        }
        ready = true;
    }
    ~Session() {
        curl_slist_free_all(headers);
        if (easy != nullptr) curl_easy_cleanup(easy);
        if (multi != nullptr) curl_multi_cleanup(multi);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

namespace {

// Write callback: keeps the body while it fits the read buffer. Returning
// less than offered makes libcurl stop the transfer with CURLE_WRITE_ERROR.
std::size_t AppendWhileFits(char* data, std::size_t size, std::size_t count, void* user) {
    auto& body = *static_cast<std::vector<std::uint8_t>*>(user);
    if (size > kReadBufferSize || count > kReadBufferSize) return 0;
    const std::size_t length = size * count;
    if (!BodyFits(body.size() + length)) return 0;
    body.insert(body.end(), data, data + length);
    return length;
}

bool Configure(CURL* easy, curl_slist* headers, const HttpSettings& settings, const std::string& url,
               std::vector<std::uint8_t>& body) {
    const auto ms = [](std::chrono::milliseconds value) { return static_cast<long>(value.count()); };
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
    // A transfer abandoned while a host name is being resolved leaves the
    // resolver thread to finish on its own instead of waiting for it.
    set(CURLOPT_QUICK_EXIT, 1L);
#endif
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, 5L);
    set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
    set(CURLOPT_USERAGENT, SystemHttpClient::kUserAgent);
    set(CURLOPT_HTTPHEADER, headers);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_CONNECTTIMEOUT_MS, ms(settings.connect_timeout));
    set(CURLOPT_TIMEOUT_MS, ms(settings.total_timeout));
    set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kReadBufferSize - 1));
    set(CURLOPT_WRITEFUNCTION, &AppendWhileFits);
    set(CURLOPT_WRITEDATA, static_cast<void*>(&body));
    if (!settings.use_environment_proxy) set(CURLOPT_PROXY, "");
    return ok;
}

HttpStatus ClassifyFailure(CURL* easy, CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT: return HttpStatus::NoConnection;
        case CURLE_OPERATION_TIMEDOUT: {
            curl_off_t connect_time = 0;
            if (curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connect_time) != CURLE_OK) {
                return HttpStatus::RequestFailed;
            }
            return connect_time == 0 ? HttpStatus::NoConnection : HttpStatus::RequestFailed;
        }
        default: return HttpStatus::RequestFailed;
    }
}

// Longest wait for network activity before the loop looks at the cancel
// flag again; a cancel wakes the wait at once, so this only bounds a missed
// wake-up.
constexpr int kPollMilliseconds = 1000;

// Runs the transfer of `easy` through `multi` until it ends or `cancelled`
// is set (then CURLE_ABORTED_BY_CALLBACK).
CURLcode Perform(CURLM* multi, CURL* easy, const std::atomic<bool>& cancelled) {
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    for (;;) {
        if (cancelled.load()) break;
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int queued = 0;
            result = CURLE_FAILED_INIT;
            while (const CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == easy) result = message->data.result;
            }
            break;
        }
        if (curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}

}  // namespace

SystemHttpClient::SystemHttpClient(HttpSettings settings)
    : settings_(settings), session_(std::make_unique<Session>()) {}

SystemHttpClient::~SystemHttpClient() = default;

void SystemHttpClient::Cancel() {
    cancelled_.store(true);
    if (session_->multi != nullptr) curl_multi_wakeup(session_->multi);
}

HttpResponse SystemHttpClient::Get(const std::string& url) {
    if (!session_->ready) return {HttpStatus::NoConnection, {}};
    if (cancelled_.load()) return {HttpStatus::RequestFailed, {}};
    CURL* const easy = session_->easy;
    curl_easy_reset(easy);
    HttpResponse response;
    if (!Configure(easy, session_->headers, settings_, url, response.body)) {
        return {HttpStatus::RequestFailed, {}};
    }
    const CURLcode code = Perform(session_->multi, easy, cancelled_);
    if (code != CURLE_OK) return {ClassifyFailure(easy, code), {}};
    long http_code = 0;
    if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &http_code) != CURLE_OK) {
        return {HttpStatus::RequestFailed, {}};
    }
    response.status = HttpStatus::Ok;
    response.http_code = static_cast<int>(http_code);
    return response;
}

}  // namespace qx7::updater
