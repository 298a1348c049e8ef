#include "widget_service.hpp"

#include "elastic_pool.hpp"
#include "fault_plan.hpp"
#include "loopback_server.hpp"
#include "service_controls.hpp"
#include "widget_api.hpp"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora::tools {

namespace {

constexpr int kListenBacklog = 1024;
constexpr std::size_t kPayloadLimit = 64 * 1024 * 1024;
constexpr std::size_t kChunkSize = 64 * 1024;

/// Headers the HTTP library adds to every request it reads; they never came from the client.
bool isLibraryHeader(const std::string& name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
           name == "LOCAL_PORT";
}

RecordedRequest recordOf(const httplib::Request& request) {
    RecordedRequest record;
    record.method = request.method;
    const auto mark = request.target.find('?');
    record.path = request.target.substr(0, mark);
    record.query = mark == std::string::npos ? std::string() : request.target.substr(mark + 1);
    for (const auto& [name, value] : request.headers) {
        if (!isLibraryHeader(name)) {
            record.headers.emplace_back(name, value);
        }
    }
    record.body.assign(request.body.begin(), request.body.end());
    return record;
}

void write(httplib::Response& response, const ServiceAnswer& answer) {
    response.status = answer.status;
    if (!answer.contentType.empty()) {
        response.set_content(answer.body, answer.contentType);
    }
}

/// `body` grown to exactly `bytes` bytes and still valid JSON: a JSON object gains a leading
/// "padding" member, anything else trailing white space. Never shortened.
std::string padded(const std::string& body, std::size_t bytes) {
    if (bytes <= body.size()) {
        return body;
    }
    if (body.size() >= 2 && body.front() == '{' && body.back() == '}') {
        const std::string inner = body.substr(1, body.size() - 2);
        const std::string head = "{\"padding\":\"";
        const std::string tail = "\"" + std::string(inner.empty() ? "" : ",") + inner + "}";
        if (bytes >= head.size() + tail.size()) {
            return head + std::string(bytes - head.size() - tail.size(), 'x') + tail;
        }
    }
    return body + std::string(bytes - body.size(), ' ');
}

bool loopbackV6Available() {
    const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

class WidgetService::Impl {
public:
    Impl(WidgetService& owner, Options options)
        : owner_(owner), options_(std::move(options)), api_(options_) {}

    ~Impl() { stop(); }

    std::uint16_t start(std::uint16_t requestedPort);
    void stop();

    WidgetService& owner_;
    Options options_;
    WidgetApi api_;
    FaultPlan faults_;

    mutable std::mutex recordMutex_;
    std::vector<RecordedRequest> recorded_;

    std::mutex lifecycleMutex_;
    std::vector<std::unique_ptr<LoopbackServer>> servers_;
    std::vector<std::thread> listeners_;
    std::atomic<std::uint16_t> port_{0};

    std::mutex waitMutex_;
    std::condition_variable waitCondition_;
    bool stopping_ = false;

private:
    /// `stop()` with `lifecycleMutex_` held.
    void stopLocked();
    std::unique_ptr<LoopbackServer> makeServer();
    /// Binds `host` and listens; the port, or 0 on failure. `listeningSocket` receives the
    /// socket, so that a server never started can be closed.
    std::uint16_t bind(LoopbackServer& server, const std::string& host, std::uint16_t port,
                       int& listeningSocket);
    void serve(const httplib::Request& request, httplib::Response& response);
    /// False when the service stopped meanwhile.
    bool pause(std::chrono::milliseconds delay);
    void applyFault(const Fault& fault, const RecordedRequest& record, httplib::Response& response);
};

std::unique_ptr<LoopbackServer> WidgetService::Impl::makeServer() {
    auto server = std::make_unique<LoopbackServer>(std::chrono::seconds(options_.keepAliveSeconds));
    const std::size_t threads = std::max<std::size_t>(options_.maxThreads, 1);
    // The library takes ownership of the queue its factory returns and deletes it when
    // listening ends. Its default, 8 fixed threads, stalls once 8 connections are kept alive.
    server->new_task_queue = [threads] { return new ElasticPool(threads); };
    server->set_tcp_nodelay(true);
    // Only for the Keep-Alive header the library writes; the connection loop is the server's.
    server->set_keep_alive_timeout(options_.keepAliveSeconds);
    server->set_keep_alive_max_count(1'000'000);
    server->set_payload_max_length(kPayloadLimit);
    httplib::Server::Handler handler = [this](const httplib::Request& request,
                                              httplib::Response& response) {
        serve(request, response);
    };
    // Routing is done by the service itself; the library only needs to hand every path over.
    const std::string everything = ".*";
    server->Get(everything, handler);
    server->Post(everything, handler);
    server->Put(everything, handler);
    server->Patch(everything, handler);
    server->Delete(everything, handler);
    server->Options(everything, handler);
    server->set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            write(response, errorAnswer(500, "internal_error"));
        });
    return server;
}

std::uint16_t WidgetService::Impl::bind(LoopbackServer& server, const std::string& host,
                                        std::uint16_t port, int& listeningSocket) {
    auto socket = std::make_shared<int>(-1);
    server.set_socket_options([socket](int created) {
        int yes = 1;
        ::setsockopt(created, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        *socket = created;
    });
    listeningSocket = -1;
    int bound =
        port == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, port) ? port : -1);
    if (bound <= 0) {
        return 0;
    }
    // The library listens with a backlog of 5; a burst of connections beyond that would wait for
    // the client's SYN retransmission. Listening again only raises the backlog.
    listeningSocket = *socket;
    if (listeningSocket >= 0) {
        ::listen(listeningSocket, kListenBacklog);
    }
    return static_cast<std::uint16_t>(bound);
}

std::uint16_t WidgetService::Impl::start(std::uint16_t requestedPort) {
    std::lock_guard lifecycle(lifecycleMutex_);
    if (!servers_.empty()) {
        throw std::runtime_error("The widget service is already started.");
    }
    {
        std::lock_guard lock(waitMutex_);
        stopping_ = false;
    }
    const bool withV6 = loopbackV6Available();
    // With an ephemeral port, ::1 may already use the number 127.0.0.1 gave: try another one.
    const int attempts = requestedPort == 0 && withV6 ? 20 : 1;
    std::unique_ptr<LoopbackServer> server4;
    std::unique_ptr<LoopbackServer> server6;
    std::uint16_t port = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        int socket4 = -1;
        int socket6 = -1;
        server4 = makeServer();
        port = bind(*server4, "127.0.0.1", requestedPort, socket4);
        if (port == 0) {
            throw std::runtime_error(
                "The widget service cannot bind 127.0.0.1:" + std::to_string(requestedPort) + ".");
        }
        if (!withV6) {
            break;
        }
        server6 = makeServer();
        if (bind(*server6, "::1", port, socket6) != 0) {
            break;
        }
        server6.reset();
        if (attempt + 1 < attempts) {
            // A server that never ran leaves its socket open.
            ::close(socket4);
            server4.reset();
        }
    }
    servers_.push_back(std::move(server4));
    if (server6) {
        servers_.push_back(std::move(server6));
    }
    for (auto& server : servers_) {
        listeners_.emplace_back([raw = server.get()] { raw->listen_after_bind(); });
    }
    // `stop()` only reaches a server that runs, so wait until each does; the sockets already
    // listen, so clients can connect meanwhile.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (auto& server : servers_) {
        while (!server->is_running()) {
            if (std::chrono::steady_clock::now() > deadline) {
                stopLocked();
                throw std::runtime_error("The widget service did not start listening.");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    port_ = port;
    return port;
}

void WidgetService::Impl::stop() {
    std::lock_guard lifecycle(lifecycleMutex_);
    stopLocked();
}

void WidgetService::Impl::stopLocked() {
    if (servers_.empty()) {
        return;
    }
    {
        std::lock_guard lock(waitMutex_);
        stopping_ = true;
    }
    waitCondition_.notify_all();
    for (auto& server : servers_) {
        server->stop();
    }
    // Kept-alive connections would otherwise hold their workers until they time out.
    for (auto& server : servers_) {
        server->closeConnections();
    }
    for (auto& listener : listeners_) {
        listener.join();
    }
    listeners_.clear();
    servers_.clear();
}

bool WidgetService::Impl::pause(std::chrono::milliseconds delay) {
    std::unique_lock lock(waitMutex_);
    return !waitCondition_.wait_for(lock, delay, [this] { return stopping_; });
}

void WidgetService::Impl::serve(const httplib::Request& request, httplib::Response& response) {
    RecordedRequest record = recordOf(request);
    if (record.path.starts_with(controlPrefix)) {
        write(response, handleControl(owner_, record));
        return;
    }
    {
        std::lock_guard lock(recordMutex_);
        recorded_.push_back(record);
    }
    if (auto fault = faults_.take(record.method, record.path)) {
        applyFault(*fault, record, response);
        return;
    }
    write(response, api_.handle(record));
}

void WidgetService::Impl::applyFault(const Fault& fault, const RecordedRequest& record,
                                     httplib::Response& response) {
    using Action = Fault::Action;
    std::optional<ServiceAnswer> answer;
    if (fault.afterCommit || fault.action == Action::oversize) {
        answer = api_.handle(record);
    }
    auto drop = [&] {
        LoopbackServer::dropCurrentConnection();
        response.status = 500;
    };
    if (!pause(fault.delay)) {
        drop();
        return;
    }
    switch (fault.action) {
    case Action::none:
        write(response, answer ? *answer : api_.handle(record));
        return;
    case Action::fail:
        write(response, errorAnswer(fault.status, fault.code, fault.retryAfterSeconds));
        return;
    case Action::drop:
        drop();
        return;
    case Action::answer:
        write(response, ServiceAnswer{fault.status, fault.body, fault.contentType});
        return;
    case Action::oversize: {
        response.status = answer->status;
        auto body = std::make_shared<const std::string>(padded(answer->body, fault.bytes));
        if (!fault.chunked) {
            response.set_content(*body, answer->contentType);
            return;
        }
        response.set_chunked_content_provider(answer->contentType, [body](std::size_t offset,
                                                                          httplib::DataSink& sink) {
            if (offset >= body->size()) {
                sink.done();
                return true;
            }
            return sink.write(body->data() + offset, std::min(kChunkSize, body->size() - offset));
        });
        return;
    }
    }
}

WidgetService::WidgetService() : WidgetService(Options{}) {}

WidgetService::WidgetService(Options options)
    : impl_(std::make_unique<Impl>(*this, std::move(options))) {}

WidgetService::~WidgetService() = default;

std::uint16_t WidgetService::start(std::uint16_t port) {
    return impl_->start(port);
}

void WidgetService::stop() {
    impl_->stop();
}

std::uint16_t WidgetService::port() const {
    return impl_->port_;
}

std::string WidgetService::origin() const {
    return "http://localhost:" + std::to_string(port());
}

std::vector<RecordedRequest> WidgetService::requests() const {
    std::lock_guard lock(impl_->recordMutex_);
    return impl_->recorded_;
}

std::vector<RecordedRequest> WidgetService::requests(std::string_view method,
                                                     std::string_view pathPrefix) const {
    std::vector<RecordedRequest> matching;
    for (auto& request : requests()) {
        if ((method.empty() || request.method == method) && request.path.starts_with(pathPrefix)) {
            matching.push_back(std::move(request));
        }
    }
    return matching;
}

void WidgetService::clearRequests() {
    std::lock_guard lock(impl_->recordMutex_);
    impl_->recorded_.clear();
}

void WidgetService::inject(Fault fault) {
    impl_->faults_.add(std::move(fault));
}

void WidgetService::failNext(int status, std::optional<std::string> code,
                             std::optional<std::int64_t> retryAfterSeconds, FaultScope scope) {
    Fault fault;
    fault.scope = std::move(scope);
    fault.action = Fault::Action::fail;
    fault.status = status;
    fault.code = std::move(code);
    fault.retryAfterSeconds = retryAfterSeconds;
    inject(std::move(fault));
}

void WidgetService::delayNext(std::chrono::milliseconds delay, FaultScope scope) {
    Fault fault;
    fault.scope = std::move(scope);
    fault.delay = delay;
    inject(std::move(fault));
}

void WidgetService::dropNext(FaultScope scope) {
    Fault fault;
    fault.scope = std::move(scope);
    fault.action = Fault::Action::drop;
    inject(std::move(fault));
}

void WidgetService::dropNextAfterCommit(FaultScope scope) {
    Fault fault;
    fault.scope = std::move(scope);
    fault.action = Fault::Action::drop;
    fault.afterCommit = true;
    inject(std::move(fault));
}

void WidgetService::oversizeNext(std::size_t bytes, bool chunked, FaultScope scope) {
    Fault fault;
    fault.scope = std::move(scope);
    fault.action = Fault::Action::oversize;
    fault.bytes = bytes;
    fault.chunked = chunked;
    inject(std::move(fault));
}

void WidgetService::answerNext(int status, std::string body, std::string contentType,
                               FaultScope scope) {
    Fault fault;
    fault.scope = std::move(scope);
    fault.action = Fault::Action::answer;
    fault.status = status;
    fault.body = std::move(body);
    fault.contentType = std::move(contentType);
    inject(std::move(fault));
}

void WidgetService::clearFaults() {
    impl_->faults_.clear();
}

std::string WidgetService::postServiceMessage(const std::string& sessionId,
                                              const std::string& authorKind,
                                              const std::string& text) {
    return impl_->api_.postServiceMessage(sessionId, authorKind, text);
}

void WidgetService::setSupportState(const std::string& sessionId, const std::string& state) {
    impl_->api_.setSupportState(sessionId, state);
}

void WidgetService::setProcedureState(const std::string& sessionId,
                                      std::optional<std::string> procedureAction,
                                      std::optional<std::string> quickActions) {
    impl_->api_.setProcedureState(sessionId, std::move(procedureAction), std::move(quickActions));
}

std::string WidgetService::postServiceAttachment(const std::string& sessionId,
                                                 const std::string& fileName,
                                                 const std::string& mimeType, const Data& bytes) {
    return impl_->api_.postServiceAttachment(sessionId, origin(), fileName, mimeType, bytes);
}

} // namespace velmora::tools
