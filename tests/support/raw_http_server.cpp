#include "support/raw_http_server.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

namespace velmora::testing {

std::optional<RawRequest> RawConnection::readRequest() {
    auto fill = [this]() {
        char chunk[65536];
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    };
    std::size_t end;
    while ((end = buffer_.find("\r\n\r\n")) == std::string::npos) {
        if (!fill())
            return std::nullopt;
    }
    RawRequest request;
    std::string head = buffer_.substr(0, end);
    buffer_.erase(0, end + 4);
    std::size_t lineEnd = head.find("\r\n");
    std::string first = head.substr(0, lineEnd);
    auto s1 = first.find(' ');
    auto s2 = first.find(' ', s1 + 1);
    request.method = first.substr(0, s1);
    request.target = first.substr(s1 + 1, s2 - s1 - 1);
    std::size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
        std::size_t next = head.find("\r\n", pos);
        if (next == std::string::npos)
            next = head.size();
        std::string line = head.substr(pos, next - pos);
        auto colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            request.headers[name] = value;
        }
        pos = next + 2;
    }
    std::size_t length = 0;
    if (auto it = request.headers.find("content-length"); it != request.headers.end()) {
        length = std::stoul(it->second);
    }
    while (buffer_.size() < length) {
        if (!fill())
            return std::nullopt;
    }
    request.body = buffer_.substr(0, length);
    buffer_.erase(0, length);
    return request;
}

bool RawConnection::write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool RawConnection::waitForPeerClose(double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            char chunk[4096];
            ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0)
                return true;
        }
    }
    return false;
}

RawHttpServer::RawHttpServer(Script script) : script_(std::move(script)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 64) != 0) {
        throw std::runtime_error("test server cannot listen");
    }
    socklen_t size = sizeof address;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

RawHttpServer::~RawHttpServer() {
    stopping_ = true;
    ::shutdown(listenFd_, SHUT_RDWR);
    ::close(listenFd_);
    acceptThread_.join();
    {
        std::lock_guard guard(mutex_);
        for (int fd : fds_)
            ::shutdown(fd, SHUT_RDWR);
    }
    for (auto& worker : workers_)
        worker.join();
    for (int fd : fds_)
        ::close(fd);
}

std::string RawHttpServer::url(std::string_view path) const {
    return "http://localhost:" + std::to_string(port_) + std::string(path);
}

void RawHttpServer::acceptLoop() {
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            continue;
        int index = connections_.fetch_add(1);
        std::lock_guard guard(mutex_);
        fds_.push_back(fd);
        workers_.emplace_back([this, fd, index] {
            RawConnection connection(fd);
            script_(connection, index);
            ::shutdown(fd, SHUT_RDWR);
        });
    }
}

std::string responseHead(int status, const std::vector<std::string>& headers) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " X\r\n";
    for (const auto& header : headers)
        head += header + "\r\n";
    return head + "\r\n";
}

} // namespace velmora::testing
