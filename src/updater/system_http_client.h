#pragma once
// The update check's HttpClient over the system's HTTP library: HTTPS with
// certificate and host-name checks, the update agent's user-agent string, no
// cached answers and bounded waits. Declared once here; each library defines
// it in updater/<api>/ (libcurl on Linux, WinHTTP on Windows), and CMake
// compiles the one of the target system.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "updater/http_client.h"

namespace qx7::updater {

struct HttpSettings {
    // Bounded so that the silent check at start-up cannot hold the program
    // for long when the server or the network is slow.
    std::chrono::milliseconds connect_timeout{5000};
    std::chrono::milliseconds total_timeout{10000};
    // False ignores any proxy the environment or the system sets (for
    // loopback servers).
    bool use_environment_proxy = true;
};

// One session (a libcurl easy handle, a WinHTTP session) for the lifetime of
// the object.
//
// A Get ends in NoConnection when the session could not be created, the
// host name (or the proxy's) could not be resolved, the connection was
// refused, or the connect time-out passed before a connection stood: the
// machine is offline or the server unreachable. Every other failure after
// that (TLS or certificate errors, a time-out during the transfer, a body
// that does not fit, a malformed URL or a scheme other than http/https)
// is RequestFailed. Redirects are followed, at most five, and only to https.
//
// Cancel, from any thread, ends a Get that is under way at once and makes
// every later Get fail without a request (RequestFailed), so that a thread
// running a check can be stopped and joined without waiting for the
// time-outs.
class SystemHttpClient final : public HttpClient {
public:
    explicit SystemHttpClient(HttpSettings settings = {});
    ~SystemHttpClient() override;
    SystemHttpClient(const SystemHttpClient&) = delete;
    SystemHttpClient& operator=(const SystemHttpClient&) = delete;

    HttpResponse Get(const std::string& url) override;

    // Thread-safe; may be called while another thread is in Get, but not
    // while the client is being destroyed.
    void Cancel();
    bool cancelled() const { return cancelled_.load(); }

    static constexpr const char* kUserAgent = "QX7ConfigUpdateAgent";

private:
    struct Session;
    HttpSettings settings_;
    std::unique_ptr<Session> session_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace qx7::updater
