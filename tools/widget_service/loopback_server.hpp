#pragma once

#include <httplib.h>

#include <chrono>
#include <mutex>
#include <set>

namespace velmora::tools {

/// The HTTP library's server with connections the service can end. The library serves each
/// connection in a loop that waits out the whole keep-alive time before it notices a stop and
/// that handlers cannot reach; this server runs that loop itself, registers every connection
/// while it is served, and writes without raising SIGPIPE.
class LoopbackServer final : public httplib::Server {
public:
    explicit LoopbackServer(std::chrono::seconds keepAlive) : keepAlive_(keepAlive) {}

    /// Ends every connection being served, and every one accepted from now on.
    void closeConnections();

    /// From a request handler: shuts down the connection of the request being handled on this
    /// thread, so that nothing is answered. The connection is closed once the handler returns.
    static void dropCurrentConnection();

private:
    bool process_and_close_socket(socket_t socket) override;

    const std::chrono::seconds keepAlive_;
    std::mutex mutex_;
    std::set<int> connections_;
    bool closing_ = false;
};

} // namespace velmora::tools
