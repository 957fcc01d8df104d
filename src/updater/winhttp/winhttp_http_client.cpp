// SystemHttpClient over WinHTTP.
//
// The requests run asynchronously: WinHTTP's callback only records what
// happened and wakes the thread in Get, which waits for that, for a cancel
// or for the time limits, and then takes the next step. A cancel or a time
// limit closes the request and returns at once, whatever WinHTTP's worker is
// still doing; the callback's data is shared, so a late callback finds it
// alive. Redirects are followed here rather than by WinHTTP, which would
// also follow them to plain http.

#include "updater/system_http_client.h"

#include <windows.h>
// windows.h first: winhttp.h relies on its types.
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "strings/win32/wide_text.h"
#include "updater/winhttp/redirect_target.h"

namespace qx7::updater {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxRedirects = 5;
constexpr DWORD kReadChunk = 4096;

// A WinHTTP handle closed on every path.
struct InternetHandleClose {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleClose>;

// What one request's callbacks report; shared between the thread in Get and
// WinHTTP's callback, which holds its own reference until the request handle
// is closing.
struct RequestState {
    HANDLE step = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // a completion arrived
    std::atomic<DWORD> completion{0};                            // the WINHTTP_CALLBACK_STATUS_* that set `step`
    std::atomic<DWORD> error{0};                                 // of a request error
    std::atomic<DWORD> read{0};                                  // bytes of the last read
    std::atomic<bool> connected{false};
    std::atomic<bool> sent{false};
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kReadChunk);

    RequestState() = default;
    RequestState(const RequestState&) = delete;
    RequestState& operator=(const RequestState&) = delete;
    ~RequestState() {
        if (step != nullptr) CloseHandle(step);
    }
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD info_length) {
    auto* const owner = reinterpret_cast<std::shared_ptr<RequestState>*>(context);
    if (owner == nullptr) return;
    RequestState& state = **owner;
    switch (status) {
        case WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER: state.connected = true; return;
        case WINHTTP_CALLBACK_STATUS_REQUEST_SENT: state.sent = true; return;
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE: state.read = info_length; break;
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
            state.error = info != nullptr ? static_cast<const WINHTTP_ASYNC_RESULT*>(info)->dwError
                                          : static_cast<DWORD>(ERROR_WINHTTP_INTERNAL_ERROR);
            break;
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE: break;
        case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING: delete owner; return;
        default: return;
    }
    state.completion = status;
    SetEvent(state.step);
}

constexpr DWORD kNotifications = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES |
                                 WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER | WINHTTP_CALLBACK_FLAG_SEND_REQUEST;

// The parts of an absolute http(s) URL that WinHTTP needs.
struct Target {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;  // path and query
};

std::optional<Target> Crack(const std::wstring& url) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return std::nullopt;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return std::nullopt;
    if (parts.dwHostNameLength == 0) return std::nullopt;
    Target target;
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    target.port = parts.nPort;
    target.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo != nullptr) target.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    // The fragment stays with the client; it is never sent.
    target.path = target.path.substr(0, target.path.find(L'#'));
    if (target.path.empty()) target.path = L"/";
    return target;
}

enum class Wait { Step, Cancelled, TimedOut };

}  // namespace

struct SystemHttpClient::Session {
    InternetHandle session;
    HANDLE cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // manual reset: stays set

    explicit Session(const HttpSettings& settings) {
        if (cancel == nullptr) return;
        const std::wstring agent = strings::WideFromUtf8(kUserAgent);
        constexpr DWORD kFlags = WINHTTP_FLAG_ASYNC;
        if (settings.use_environment_proxy) {
            // The system's proxy settings; older systems know only the
            // WinHTTP default.
            session.reset(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, kFlags));
            if (!session) {
                session.reset(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                          WINHTTP_NO_PROXY_BYPASS, kFlags));
            }
        } else {
            session.reset(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, kFlags));
        }
    }
    ~Session() {
        session.reset();
        if (cancel != nullptr) CloseHandle(cancel);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool ready() const { return session != nullptr; }
};

namespace {

// One GET of one URL, without following redirects.
class Exchange {
public:
    Exchange(HINTERNET session, HANDLE cancel, const HttpSettings& settings, Clock::time_point total_deadline)
        : session_(session), cancel_(cancel), settings_(settings), total_deadline_(total_deadline) {}

    // The answer, or the failure; `location` holds the Location header of a
    // redirect (the body is then not read).
    HttpResponse Run(const Target& target, std::wstring* location) {
        location->clear();
        state_ = std::make_shared<RequestState>();
        if (state_->step == nullptr) return Fail(HttpStatus::RequestFailed);
        connect_.reset(WinHttpConnect(session_, target.host.c_str(), target.port, 0));
        if (!connect_) return Fail(HttpStatus::RequestFailed);
        const DWORD flags = WINHTTP_FLAG_REFRESH | (target.secure ? WINHTTP_FLAG_SECURE : 0);
        request_.reset(WinHttpOpenRequest(connect_.get(), L"GET", target.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                          WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
        if (!request_) return Fail(HttpStatus::RequestFailed);
        // From here on the callback holds a reference, dropped when the
        // request handle closes.
        auto* const owner = new std::shared_ptr<RequestState>(state_);
        DWORD_PTR context = reinterpret_cast<DWORD_PTR>(owner);
        if (!WinHttpSetOption(request_.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
            delete owner;
            return Fail(HttpStatus::RequestFailed);
        }
        if (WinHttpSetStatusCallback(request_.get(), &OnStatus, kNotifications, 0) == WINHTTP_INVALID_STATUS_CALLBACK ||
            !Configure()) {
            return Fail(HttpStatus::RequestFailed);
        }

        static constexpr wchar_t kHeaders[] = L"Cache-Control: no-cache\r\nPragma: no-cache\r\n";
        if (!WinHttpSendRequest(request_.get(), kHeaders, static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0,
                                context)) {
            return Failed(GetLastError());
        }
        if (const auto failure = Await(WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE)) return *failure;
        if (!WinHttpReceiveResponse(request_.get(), nullptr)) return Failed(GetLastError());
        if (const auto failure = Await(WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE)) return *failure;

        HttpResponse response;
        DWORD code = 0;
        DWORD size = sizeof code;
        if (!WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
            return Fail(HttpStatus::RequestFailed);
        }
        response.http_code = static_cast<int>(code);
        if (code >= 300 && code <= 399 && code != 304 && QueryLocation(location)) return response;

        // A body announced too long is refused before it is read.
        DWORD length = 0;
        size = sizeof length;
        if (WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &length, &size, WINHTTP_NO_HEADER_INDEX) &&
            !BodyFits(length)) {
            return Fail(HttpStatus::RequestFailed);
        }
        for (;;) {
            if (!WinHttpReadData(request_.get(), state_->buffer.data(), kReadChunk, nullptr)) {
                return Failed(GetLastError());
            }
            if (const auto failure = Await(WINHTTP_CALLBACK_STATUS_READ_COMPLETE)) return *failure;
            const DWORD read = std::min(state_->read.load(), kReadChunk);
            if (read == 0) break;
            if (!BodyFits(response.body.size() + read)) return Fail(HttpStatus::RequestFailed);
            response.body.insert(response.body.end(), state_->buffer.begin(), state_->buffer.begin() + read);
        }
        response.status = HttpStatus::Ok;
        return response;
    }

private:
    // No automatic redirects, cookies or logons; the per-step waits of
    // WinHTTP are bounded too, although the limits here end a request first.
    bool Configure() {
        DWORD features = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES;
        DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
        const auto ms = [](std::chrono::milliseconds value) {
            return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(value.count(), 1, 0x7fffffff));
        };
        return WinHttpSetOption(request_.get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features) &&
               WinHttpSetOption(request_.get(), WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof logon) &&
               WinHttpSetTimeouts(request_.get(), ms(settings_.connect_timeout), ms(settings_.connect_timeout),
                                  ms(settings_.total_timeout), ms(settings_.total_timeout));
    }

    bool QueryLocation(std::wstring* location) {
        DWORD bytes = 0;
        WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                            WINHTTP_NO_OUTPUT_BUFFER, &bytes, WINHTTP_NO_HEADER_INDEX);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return false;
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (!WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, text.data(),
                                 &bytes, WINHTTP_NO_HEADER_INDEX)) {
            return false;
        }
        text.resize(bytes / sizeof(wchar_t));
        *location = text;
        return !location->empty();
    }

    // Waits for the completion `expected`; nothing when it came, else the
    // failure to return.
    std::optional<HttpResponse> Await(DWORD expected) {
        switch (WaitForStep()) {
            case Wait::Step: break;
            case Wait::Cancelled: return Fail(HttpStatus::RequestFailed);
            case Wait::TimedOut: return Fail(state_->connected ? HttpStatus::RequestFailed : HttpStatus::NoConnection);
        }
        const DWORD completion = state_->completion;
        if (completion == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) return Failed(state_->error);
        if (completion != expected) return Fail(HttpStatus::RequestFailed);
        return std::nullopt;
    }

    // Until the request is sent (connection and TLS handshake) the connect
    // limit applies as well as the total one.
    Wait WaitForStep() {
        const Clock::time_point connect_deadline = Clock::now() + settings_.connect_timeout;
        for (;;) {
            const Clock::time_point deadline =
                state_->sent ? total_deadline_ : std::min(total_deadline_, connect_deadline);
            const Clock::time_point now = Clock::now();
            if (now >= deadline) return Wait::TimedOut;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
            const HANDLE events[] = {state_->step, cancel_};
            const DWORD waited =
                WaitForMultipleObjects(2, events, FALSE, static_cast<DWORD>(std::min<long long>(left, 0x7ffffffe)));
            if (waited == WAIT_OBJECT_0) return Wait::Step;
            if (waited == WAIT_OBJECT_0 + 1) return Wait::Cancelled;
            if (waited != WAIT_TIMEOUT) return Wait::Cancelled;
        }
    }

    HttpResponse Failed(DWORD error) {
        switch (error) {
            case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            case ERROR_WINHTTP_CANNOT_CONNECT: return Fail(HttpStatus::NoConnection);
            case ERROR_WINHTTP_TIMEOUT:
                return Fail(state_->connected ? HttpStatus::RequestFailed : HttpStatus::NoConnection);
            default: return Fail(HttpStatus::RequestFailed);
        }
    }

    // Ends the request now: closing the handle cancels whatever WinHTTP
    // still does for it.
    HttpResponse Fail(HttpStatus status) {
        request_.reset();
        connect_.reset();
        return {status, {}};
    }

    HINTERNET session_;
    HANDLE cancel_;
    const HttpSettings& settings_;
    Clock::time_point total_deadline_;
    std::shared_ptr<RequestState> state_;
    InternetHandle connect_;
    InternetHandle request_;
};

}  // namespace

SystemHttpClient::SystemHttpClient(HttpSettings settings)
    : settings_(settings), session_(std::make_unique<Session>(settings_)) {}

SystemHttpClient::~SystemHttpClient() = default;

void SystemHttpClient::Cancel() {
    cancelled_.store(true);
    if (session_->cancel != nullptr) SetEvent(session_->cancel);
}

HttpResponse SystemHttpClient::Get(const std::string& url) {
    if (!session_->ready()) return {HttpStatus::NoConnection, {}};
    if (cancelled_.load()) return {HttpStatus::RequestFailed, {}};
    const Clock::time_point deadline = Clock::now() + settings_.total_timeout;
    std::wstring current = strings::WideFromUtf8(url);
    for (int redirects = 0;; ++redirects) {
        const std::optional<Target> target = Crack(current);
        if (!target) return {HttpStatus::RequestFailed, {}};
        Exchange exchange(session_->session.get(), session_->cancel, settings_, deadline);
        std::wstring location;
        HttpResponse response = exchange.Run(*target, &location);
        if (location.empty()) return response;
        // A redirect: at most five, and only to https.
        const std::optional<std::wstring> next = RedirectTarget(current, location);
        if (redirects == kMaxRedirects || !next) return {HttpStatus::RequestFailed, {}};
        current = *next;
    }
}

}  // namespace qx7::updater
