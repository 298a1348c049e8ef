#include "loopback_server.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora::tools {

namespace {

constexpr int kReadTimeoutMs = 5'000;
constexpr int kWriteTimeoutMs = 5'000;

/// The connection served on this thread, for `dropCurrentConnection()`.
thread_local int currentConnection = -1;

bool waitFor(int fd, short events, int timeoutMs) {
    pollfd descriptor{fd, events, 0};
    int ready = 0;
    do {
        ready = ::poll(&descriptor, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

void endpoint(int fd, bool peer, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if ((peer ? ::getpeername(fd, raw, &length) : ::getsockname(fd, raw, &length)) != 0) {
        return;
    }
    char host[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (::getnameinfo(raw, length, host, sizeof host, service, sizeof service,
                      NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
        ip = host;
        port = std::atoi(service);
    }
}

/// One connection's byte stream, buffered across the requests it carries.
class ConnectionStream final : public httplib::Stream {
public:
    explicit ConnectionStream(int fd) : fd_(fd) {}

    /// Waits for the next request (or the peer's close) at most `timeout`.
    bool awaitRequest(std::chrono::seconds timeout) const {
        return start_ < end_ ||
               waitFor(fd_, POLLIN, static_cast<int>(std::chrono::milliseconds(timeout).count()));
    }

    bool is_readable() const override {
        return start_ < end_ || waitFor(fd_, POLLIN, kReadTimeoutMs);
    }
    bool is_writable() const override { return waitFor(fd_, POLLOUT, kWriteTimeoutMs); }

    ssize_t read(char* data, size_t size) override {
        if (start_ == end_) {
            if (!waitFor(fd_, POLLIN, kReadTimeoutMs)) {
                return -1;
            }
            ssize_t received = 0;
            do {
                received = ::recv(fd_, buffer_, sizeof buffer_, 0);
            } while (received < 0 && errno == EINTR);
            if (received <= 0) {
                return received;
            }
            start_ = 0;
            end_ = static_cast<std::size_t>(received);
        }
        const std::size_t count = std::min(size, end_ - start_);
        std::memcpy(data, buffer_ + start_, count);
        start_ += count;
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char* data, size_t size) override {
        if (!is_writable()) {
            return -1;
        }
        ssize_t sent = 0;
        do {
            sent = ::send(fd_, data, size, MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        return sent;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        endpoint(fd_, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        endpoint(fd_, false, ip, port);
    }
    socket_t socket() const override { return fd_; }

private:
    int fd_;
    char buffer_[16 * 1024];
    std::size_t start_ = 0;
    std::size_t end_ = 0;
};

} // namespace

void LoopbackServer::closeConnections() {
    std::lock_guard lock(mutex_);
    closing_ = true;
    for (int fd : connections_) {
        ::shutdown(fd, SHUT_RDWR);
    }
}

void LoopbackServer::dropCurrentConnection() {
    if (currentConnection >= 0) {
        ::shutdown(currentConnection, SHUT_RDWR);
    }
}

bool LoopbackServer::process_and_close_socket(socket_t socket) {
    {
        std::lock_guard lock(mutex_);
        if (closing_) {
            ::close(socket);
            return false;
        }
        connections_.insert(socket);
    }
    ConnectionStream stream(socket);
    currentConnection = socket;
    bool served = true;
    while (stream.awaitRequest(keepAlive_)) {
        bool closed = false;
        served = process_request(stream, false, closed, nullptr);
        if (!served || closed) {
            break;
        }
    }
    currentConnection = -1;
    // Closed under the lock, so that `closeConnections()` never shuts down a descriptor that
    // was closed and reused meanwhile.
    std::lock_guard lock(mutex_);
    connections_.erase(socket);
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return served;
}

} // namespace velmora::tools
