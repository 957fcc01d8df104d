#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 for the updater tests. It listens on
// an ephemeral port, answers one request per connection from a table of
// paths, and answers unknown paths with the not-found page the update
// server sends. Everything it does is bounded: the accept loop polls and
// stops on request or after a minute at most, requests are read with a
// time-out and a size cap.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace qx7::updater::test_support {

inline const std::string kUpdateFolderPath = "/downloads/qx7/utilities/update/";

inline const std::string kNotFoundPage =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\r\n"
    "<html><head>\r\n<title>404 Not Found</title>\r\n</head><body>\r\n"
    "<h1>Not Found</h1>\r\n<p>The requested URL was not found on this server.</p>\r\n"
    "</body></html>\r\n";

// The sockets of the system: a descriptor on POSIX, a SOCKET handle with
// Winsock started for as long as one is open on Windows.
#ifdef _WIN32
using SocketHandle = SOCKET;
inline constexpr SocketHandle kNoSocket = INVALID_SOCKET;
inline void CloseSocket(SocketHandle socket) { ::closesocket(socket); }
inline int PollSocket(pollfd* waiting, int milliseconds) { return ::WSAPoll(waiting, 1, milliseconds); }
inline SocketHandle AcceptSocket(SocketHandle listening) { return ::accept(listening, nullptr, nullptr); }
inline void SetReceiveTimeout(SocketHandle socket, int seconds) {
    const DWORD milliseconds = static_cast<DWORD>(seconds) * 1000;
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds), sizeof milliseconds);
}
inline constexpr int kSendFlags = 0;
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
inline void CloseSocket(SocketHandle socket) { ::close(socket); }
inline int PollSocket(pollfd* waiting, int milliseconds) { return ::poll(waiting, 1, milliseconds); }
inline SocketHandle AcceptSocket(SocketHandle listening) {
    return ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
}
inline void SetReceiveTimeout(SocketHandle socket, int seconds) {
    const timeval timeout{seconds, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}
inline constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

struct LocalResponse {
    std::string body;
    std::string status_line = "HTTP/1.0 200 OK";
    bool send_content_length = true;  // false: the body ends when the connection closes
    bool silent = false;              // keep the connection open and never answer
};

// An IPv4 TCP socket bound to 127.0.0.1 on an ephemeral port; closed with
// the object.
class LoopbackSocket {
public:
    LoopbackSocket() {
#ifdef _WIN32
        WSADATA data{};
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
#else
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
#endif
        if (fd_ == kNoSocket) {
            Release();
            throw std::runtime_error("socket failed");
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            CloseSocket(fd_);
            Release();
            throw std::runtime_error("bind to 127.0.0.1 failed");
        }
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackSocket() {
        CloseSocket(fd_);
        Release();
    }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    SocketHandle fd() const { return fd_; }
    std::uint16_t port() const { return port_; }
    // The update folder on this port, over plain HTTP.
    std::string FolderUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + kUpdateFolderPath; }

private:
    // Ends this object's use of Winsock.
    static void Release() {
#ifdef _WIN32
        ::WSACleanup();
#endif
    }

    SocketHandle fd_ = kNoSocket;
    std::uint16_t port_ = 0;
};

class LocalHttpServer {
public:
    LocalHttpServer() {
        if (::listen(socket_.fd(), 8) != 0) throw std::runtime_error("listen failed");
        thread_ = std::thread([this] { AcceptLoop(); });
    }
    ~LocalHttpServer() {
        stop_ = true;
        thread_.join();
        for (const SocketHandle fd : held_) CloseSocket(fd);
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // Answers requests for `file` in the update folder with `response`.
    void Serve(const std::string& file, LocalResponse response) {
        const std::lock_guard lock(mutex_);
        routes_[kUpdateFolderPath + file] = std::move(response);
    }
    std::string FolderUrl() const { return socket_.FolderUrl(); }
    // The head of every request received so far, in order.
    std::vector<std::string> Requests() const {
        const std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    static constexpr std::size_t kMaxRequestHead = 8192;
    static constexpr int kPollMilliseconds = 20;
    static constexpr int kMaxPolls = 60'000 / kPollMilliseconds;

    void AcceptLoop() {
        for (int polls = 0; polls < kMaxPolls && !stop_; ++polls) {
            pollfd waiting{socket_.fd(), POLLIN, 0};
            if (PollSocket(&waiting, kPollMilliseconds) <= 0) continue;
            const SocketHandle client = AcceptSocket(socket_.fd());
            if (client != kNoSocket) Answer(client);
        }
    }

    void Answer(SocketHandle client) {
        const std::string head = ReadHead(client);
        const LocalResponse response = Lookup(head);
        if (response.silent) {
            held_.push_back(client);
            return;
        }
        std::string reply = response.status_line + "\r\nContent-Type: text/plain\r\n";
        if (response.send_content_length) {
            reply += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        }
        reply += "Connection: close\r\n\r\n" + response.body;
        for (std::size_t sent = 0; sent < reply.size();) {
            const auto n = ::send(client, reply.data() + sent, static_cast<int>(reply.size() - sent), kSendFlags);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        CloseSocket(client);
    }

    static std::string ReadHead(SocketHandle client) {
        SetReceiveTimeout(client, 2);
        std::string head;
        char chunk[512];
        while (head.size() < kMaxRequestHead && head.find("\r\n\r\n") == std::string::npos) {
            const auto n = ::recv(client, chunk, static_cast<int>(sizeof chunk), 0);
            if (n <= 0) break;
            head.append(chunk, static_cast<std::size_t>(n));
        }
        return head;
    }

    // The response for the path in the request line "GET <path> HTTP/1.x".
    LocalResponse Lookup(const std::string& head) {
        const std::size_t start = head.find(' ');
        const std::size_t end = start == std::string::npos ? start : head.find(' ', start + 1);
        const std::string path = end == std::string::npos ? std::string{} : head.substr(start + 1, end - start - 1);
        const std::lock_guard lock(mutex_);
        requests_.push_back(head);
        const auto route = routes_.find(path);
        if (route != routes_.end()) return route->second;
        return {kNotFoundPage, "HTTP/1.0 404 Not Found", true, false};
    }

    LoopbackSocket socket_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::map<std::string, LocalResponse> routes_;
    std::vector<std::string> requests_;
    std::vector<SocketHandle> held_;  // silent connections, closed at the end
    std::thread thread_;
};

}  // namespace qx7::updater::test_support
