#pragma once

#include "client/client_core.hpp"
#include "velmora/client.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "widget_service.hpp"

#include <gtest/gtest.h>

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velmora::testing {

namespace asio = boost::asio;

/// The stores a client is built with, in memory unless a test swaps one.
struct ClientStores {
    std::shared_ptr<VelmoraOutboxStore> outbox = std::make_shared<VelmoraMemoryOutbox>();
    std::shared_ptr<VelmoraPendingSessionStartStore> pendingSessionStarts =
        std::make_shared<VelmoraMemoryPendingSessionStartStore>();
    std::shared_ptr<VelmoraSessionStore> sessions = std::make_shared<VelmoraMemorySessionStore>();
    std::shared_ptr<VelmoraPendingAttachmentStore> pendingAttachmentSends =
        std::make_shared<VelmoraMemoryPendingAttachmentStore>();
    std::shared_ptr<VelmoraPendingAttachmentOperationStore> pendingAttachmentOperations =
        std::make_shared<VelmoraMemoryPendingAttachmentOperationStore>();
};

/// A local widget service, an io_context on its own thread, and a client core talking to the
/// service through the real transport.
class ClientHarness {
public:
    struct Settings {
        std::string integrationId = "local-demo";
        std::string accountScope = "account-a";
        std::string locale = "en";
        std::string token = "host-token";
        std::optional<std::string> turnstileToken;
        double pollInterval = 0.25;
        tools::WidgetService::Options service;
    };

    ClientHarness() : ClientHarness(Settings{}) {}
    explicit ClientHarness(Settings settings, ClientStores stores = {});
    ~ClientHarness();

    /// Runs one client operation on the client's strand, the way the public client does, and
    /// waits for it.
    template <class T> T run(asio::awaitable<T> operation) {
        return spawn(std::move(operation)).get();
    }
    template <class T> std::future<T> spawn(asio::awaitable<T> operation) {
        return asio::co_spawn(core->strand(), wrap(std::move(operation)), asio::use_future);
    }
    /// Runs `f` on the strand and returns its result (for reading the core's state).
    template <class F> auto onStrand(F f) {
        return asio::co_spawn(
                   core->strand(), [f]() -> asio::awaitable<decltype(f())> { co_return f(); },
                   asio::use_future)
            .get();
    }

    /// Starts a session on the service directly; the client does not know it yet.
    VelmoraSession createServiceSession(const std::string& firstMessage = "Hello there");

    /// Subscribes to the client's events.
    AsyncStream<VelmoraEvent> subscribe();
    /// The next event, failing the test after a few seconds.
    static VelmoraEvent nextEvent(AsyncStream<VelmoraEvent>& stream);
    /// Whether an event arrives within `wait`.
    static bool hasEventWithin(AsyncStream<VelmoraEvent>& stream, std::chrono::milliseconds wait);

    Settings settings;
    ClientStores stores;
    tools::WidgetService service;
    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> work;
    std::thread thread;
    std::shared_ptr<VelmoraURLSessionTransport> transport;
    std::shared_ptr<detail::ClientCore> core;

private:
    template <class T> static asio::awaitable<T> wrap(asio::awaitable<T> operation) {
        co_await detail::enterOperation();
        co_return co_await std::move(operation);
    }
};

/// Metadata whose containers nest `depth` deep (its own map is one): {"k":[[...[1]...]]}.
JSONValue::Object nestedMetadata(std::size_t depth);

/// The name of an event's case, e.g. "loading(idle)", "snapshot", "error(http)".
std::string describe(const VelmoraEvent& event);

/// Runs `f` and returns the `VelmoraError` it throws, failing the test otherwise.
template <class F> VelmoraError expectVelmoraError(F&& f) {
    try {
        f();
    } catch (const VelmoraError& e) {
        return e;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "threw something else: " << e.what();
        throw;
    }
    ADD_FAILURE() << "did not throw";
    return VelmoraError(VelmoraErrorCode::unsupported, std::nullopt, std::nullopt, "no error");
}

} // namespace velmora::testing
