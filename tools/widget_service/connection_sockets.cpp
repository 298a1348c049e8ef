#include "connection_sockets.hpp"

#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace velmora::tools {

namespace {

struct Endpoint {
    std::string host;
    int port = -1;
};

std::optional<Endpoint> endpointOf(const sockaddr_storage& address, socklen_t length) {
    char host[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service,
                    sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return std::nullopt;
    }
    return Endpoint{host, std::stoi(service)};
}

/// Calls `visit(fd, local, peer)` for every connected TCP socket of the process.
void forEachConnection(const std::function<void(int, const Endpoint&, const Endpoint&)>& visit) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception&) {
            continue;
        }
        struct stat info {};
        if (fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode)) {
            continue;
        }
        sockaddr_storage local{};
        sockaddr_storage peer{};
        socklen_t localLength = sizeof local;
        socklen_t peerLength = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0 ||
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0 ||
            (local.ss_family != AF_INET && local.ss_family != AF_INET6)) {
            continue;
        }
        auto localEndpoint = endpointOf(local, localLength);
        auto peerEndpoint = endpointOf(peer, peerLength);
        if (localEndpoint && peerEndpoint) {
            visit(fd, *localEndpoint, *peerEndpoint);
        }
    }
}

} // namespace

bool shutdownConnection(int localPort, const std::string& remoteAddress, int remotePort) {
    bool found = false;
    forEachConnection([&](int fd, const Endpoint& local, const Endpoint& peer) {
        if (local.port == localPort && peer.port == remotePort && peer.host == remoteAddress) {
            ::shutdown(fd, SHUT_RDWR);
            found = true;
        }
    });
    return found;
}

void shutdownConnections(int localPort) {
    forEachConnection([&](int fd, const Endpoint& local, const Endpoint&) {
        if (local.port == localPort) {
            ::shutdown(fd, SHUT_RDWR);
        }
    });
}

} // namespace velmora::tools
