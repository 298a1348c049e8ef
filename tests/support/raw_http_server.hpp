#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velmora::testing {

/// One request as the server read it off the wire.
struct RawRequest {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
};

/// A connection the test script drives byte by byte, so that responses can lie about their
/// length, stall, or close at any point.
class RawConnection {
public:
    explicit RawConnection(int fd) : fd_(fd) {}
    /// Reads one request (headers and a Content-Length body); nothing when the peer closed.
    std::optional<RawRequest> readRequest();
    bool write(std::string_view bytes);
    /// Waits until the peer closes the connection (or `seconds` pass); true when it closed.
    bool waitForPeerClose(double seconds);

private:
    int fd_;
    std::string buffer_;
};

/// A TCP server on 127.0.0.1 with an ephemeral port. Every accepted connection runs `script`
/// on its own thread; the server records every request read through `RawConnection`.
class RawHttpServer {
public:
    using Script = std::function<void(RawConnection&, int connectionIndex)>;

    explicit RawHttpServer(Script script);
    ~RawHttpServer();

    std::uint16_t port() const { return port_; }
    std::string url(std::string_view path) const;
    int connections() const { return connections_.load(); }

private:
    void acceptLoop();

    Script script_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread acceptThread_;
    std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::vector<int> fds_;
};

/// "HTTP/1.1 <status> X\r\n" + headers + "\r\n".
std::string responseHead(int status, const std::vector<std::string>& headers);

} // namespace velmora::testing
