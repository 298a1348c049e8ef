#include "client_harness.hpp"

#include <gtest/gtest.h>

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/cancellation_signal.hpp>

namespace velmora::testing {

ClientHarness::ClientHarness(Settings s, ClientStores st)
    : settings(std::move(s)), stores(std::move(st)), service(settings.service),
      work(asio::make_work_guard(io)) {
    service.start();
    thread = std::thread([this] { io.run(); });
    transport = std::make_shared<VelmoraURLSessionTransport>();
    auto token = settings.token;
    VelmoraConfiguration configuration(
        service.origin(), settings.integrationId, settings.accountScope, settings.locale,
        settings.turnstileToken, [token]() -> asio::awaitable<std::string> { co_return token; },
        settings.pollInterval);
    core = std::make_shared<detail::ClientCore>(io.get_executor(), std::move(configuration),
                                                stores.outbox, stores.pendingSessionStarts,
                                                stores.sessions, stores.pendingAttachmentSends,
                                                stores.pendingAttachmentOperations, transport);
}

ClientHarness::~ClientHarness() {
    core.reset();
    work.reset();
    io.stop();
    thread.join();
    service.stop();
}

VelmoraSession ClientHarness::createServiceSession(const std::string& firstMessage) {
    VelmoraHTTPRequest request;
    request.method = "POST";
    request.url =
        service.origin() + "/api/widget/v1/sessions?integration=" + settings.integrationId;
    request.headers = {{"Content-Type", "application/json"},
                       {"Authorization", "Bearer " + settings.token},
                       {"x-velmora-client", "native-v1"}};
    std::string body = R"({"idempotencyKey":"harness-session-0001","integrationPublicId":")" +
                       settings.integrationId + R"(","locale":")" + settings.locale +
                       R"(","message":")" + firstMessage +
                       R"(","startedAt":"2026-01-01T00:00:00Z"})";
    request.body = Data(body.begin(), body.end());
    auto response = transport->send(request, asio::use_future).get();
    auto document = detail::parseJSON(std::string_view(
        reinterpret_cast<const char*>(response.body.data()), response.body.size()));
    detail::ObjectReader reader(document, "");
    return VelmoraSession{reader.required<std::string>("sessionId"),
                          reader.optional<std::string>("conversationId"),
                          reader.required<std::string>("sessionToken")};
}

AsyncStream<VelmoraEvent> ClientHarness::subscribe() {
    return onStrand([core = core] { return core->events(); });
}

VelmoraEvent ClientHarness::nextEvent(AsyncStream<VelmoraEvent>& stream) {
    auto future = stream.next(asio::use_future);
    if (future.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "no event arrived";
        throw std::runtime_error("no event arrived");
    }
    auto event = future.get();
    if (!event)
        throw std::runtime_error("the stream ended");
    return *event;
}

bool ClientHarness::hasEventWithin(AsyncStream<VelmoraEvent>& stream,
                                   std::chrono::milliseconds wait) {
    auto promise = std::make_shared<std::promise<bool>>();
    auto future = promise->get_future();
    asio::cancellation_signal cancel;
    stream.next(asio::bind_cancellation_slot(
        cancel.slot(), [promise](boost::system::error_code ec, std::optional<VelmoraEvent> event) {
            promise->set_value(!ec && event.has_value());
        }));
    if (future.wait_for(wait) == std::future_status::ready)
        return future.get();
    cancel.emit(asio::cancellation_type::terminal);
    return future.get();
}

JSONValue::Object nestedMetadata(std::size_t depth) {
    JSONValue value = 1;
    for (std::size_t level = 1; level < depth; ++level)
        value = JSONValue::Array{std::move(value)};
    return {{"k", std::move(value)}};
}

std::string describe(const VelmoraEvent& event) {
    return std::visit(
        [](const auto& e) -> std::string {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, event::loading>) {
                return "loading(" + std::string(rawValue(e.value)) + ")";
            } else if constexpr (std::is_same_v<E, event::sessionStarted>) {
                return "sessionStarted";
            } else if constexpr (std::is_same_v<E, event::snapshot>) {
                return "snapshot";
            } else if constexpr (std::is_same_v<E, event::messageAccepted>) {
                return "messageAccepted";
            } else if constexpr (std::is_same_v<E, event::hostActionRequested>) {
                return "hostActionRequested";
            } else if constexpr (std::is_same_v<E, event::hostActionCancelled>) {
                return "hostActionCancelled";
            } else if constexpr (std::is_same_v<E, event::error>) {
                return "error(" + std::string(rawValue(e.value.code())) + ")";
            } else {
                return "sessionCleared";
            }
        },
        event);
}

} // namespace velmora::testing
