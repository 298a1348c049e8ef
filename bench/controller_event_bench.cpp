// One new message in a conversation of 100, 1,000 and 10,000 messages, from the conversation the
// service returned to the widget controller's published transcript:
//
// - BM_ConversationDecode/N: reading the service's answer (JSON of N messages) into records.
//   This is proportional to the conversation by nature and is printed beside the rest.
// - BM_NewMessageClientAndController/N: everything after that read: the client makes the decoded
//   conversation its snapshot and announces it to its subscribers (the widget controller and one
//   other), the event travels through the subscription streams to the main executor, and the
//   controller publishes snapshot and messages to a transcript observer. Goal: 100 µs at 10,000
//   messages, whatever the number of subscribers; `goal_ratio` is the time over that goal.
//
// Freeing the previous conversation belongs to the read as much as decoding it does, so the
// benchmark keeps the previous snapshot alive across the timed part and lets it go untimed.

#include "widget_client_stub.hpp"

#include "client/client_core.hpp"
#include "client/wire_bodies.hpp"
#include "detail/json.hpp"
#include "velmora/ui/widget_controller.hpp"

#include <benchmark/benchmark.h>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>

#include <algorithm>
#include <chrono>

namespace {

using namespace velmora;
namespace asio = boost::asio;

/// The widget's view of the client: only the event stream, straight from the client actor.
/// Everything runs on one thread here, so the strand needs no hop.
std::shared_ptr<bench::WidgetClientStub>
streamOnlyClient(std::shared_ptr<detail::ClientCore> core) {
    return std::make_shared<bench::WidgetClientStub>(
        [core = std::move(core)] { return core->events(); });
}

detail::MessagesResponse conversation(std::size_t count) {
    detail::MessagesResponse response;
    response.ok = true;
    response.sessionId = "s-1";
    response.conversationId = "c-1";
    for (std::size_t i = 0; i < count; ++i) {
        VelmoraMessage message;
        message.id = "message-" + std::to_string(i);
        message.conversationId = "c-1";
        message.direction = i % 2 == 0 ? "inbound" : "outbound";
        message.authorKind = i % 2 == 0 ? "ai" : "customer";
        message.bodyText = "This is message number " + std::to_string(i) +
                           " of a long conversation about an order that has not arrived yet.";
        message.sentAt = "2026-01-01T00:00:00Z";
        message.deliveryStatus = "delivered";
        response.messages.push_back(std::move(message));
    }
    return response;
}

std::shared_ptr<detail::ClientCore> makeCore(asio::io_context& io) {
    return std::make_shared<detail::ClientCore>(
        io.get_executor(),
        VelmoraConfiguration(
            "http://localhost:1", "bench", "bench", "en", std::nullopt,
            []() -> asio::awaitable<std::string> { co_return "token"; }, 1.0),
        std::make_shared<VelmoraMemoryOutbox>(),
        std::make_shared<VelmoraMemoryPendingSessionStartStore>(),
        std::make_shared<VelmoraMemorySessionStore>(),
        std::make_shared<VelmoraMemoryPendingAttachmentStore>(),
        std::make_shared<VelmoraMemoryPendingAttachmentOperationStore>(), nullptr);
}

void BM_ConversationDecode(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::string bytes =
        detail::writeJSON(detail::Codec<detail::MessagesResponse>::encode(conversation(count)));
    for (auto _ : state) {
        auto response =
            detail::Codec<detail::MessagesResponse>::decode(detail::parseJSON(bytes), "");
        benchmark::DoNotOptimize(response.messages.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_ConversationDecode)
    ->ArgName("messages")
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond);

void BM_NewMessageClientAndController(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    asio::io_context io;
    auto core = makeCore(io);
    auto controller = VelmoraWidgetController::create(
        io.get_executor(), streamOnlyClient(core), true, VelmoraWidgetNavigation{true, true},
        std::nullopt, {}, {}, std::make_shared<VelmoraWidgetDraftStore>());
    // Two observers, as a transcript view and a whole-widget view would have.
    std::size_t notifications = 0;
    auto all = controller->observe([&](VelmoraWidgetProperty) { ++notifications; });
    auto transcript =
        controller->observe(VelmoraWidgetProperty::messages, [&](VelmoraWidgetProperty) {
            benchmark::DoNotOptimize(controller->messages().size());
        });
    controller->mount();

    // A second subscriber, as a host following the same client would be. It keeps the latest
    // event until the next untimed pause, so the previous conversation is freed outside the
    // timed part.
    std::vector<VelmoraEvent> kept;
    auto other = core->events();
    asio::co_spawn(
        io,
        [&]() -> asio::awaitable<void> {
            for (;;) {
                auto event = co_await other.next();
                if (!event) {
                    co_return;
                }
                kept.push_back(std::move(*event));
            }
        },
        asio::detached);
    io.poll();

    // N - 1 messages known, then a conversation in which one message is new; alternate.
    const auto before = conversation(count - 1);
    const auto after = conversation(count);
    core->adoptSnapshot(before);
    io.restart();
    io.poll();

    bool grow = true;
    std::chrono::steady_clock::duration timed{};
    for (auto _ : state) {
        state.PauseTiming();
        // The decoded conversation is the read's product: made outside the timed part.
        auto response = grow ? after : before;
        if (kept.size() > 1) {
            kept.erase(kept.begin(), kept.end() - 1);
        }
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(core->adoptSnapshot(std::move(response)));
        io.restart();
        io.poll();
        timed += std::chrono::steady_clock::now() - start;
        grow = !grow;
    }
    if (controller->messages().size() < count - 1) {
        state.SkipWithError("the snapshot was not applied");
    }
    state.counters["notifications_per_event"] = benchmark::Counter(
        static_cast<double>(notifications) / static_cast<double>(state.iterations() + 1));
    state.counters["subscribers"] = static_cast<double>(core->subscriberCount());
    // Time per new message over the goal (which applies at 10,000; printed for every size).
    constexpr double goalMicroseconds = 100.0;
    const double perMessage =
        std::chrono::duration<double, std::micro>(timed).count() /
        static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["per_message_us"] = perMessage;
    state.counters["goal_ratio"] = perMessage / goalMicroseconds;
    controller->destroy();
    io.restart();
    io.poll();
}

BENCHMARK(BM_NewMessageClientAndController)
    ->ArgName("messages")
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
