#include "client_harness.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

std::vector<std::string> take(AsyncStream<VelmoraEvent>& stream, int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.push_back(describe(ClientHarness::nextEvent(stream)));
    return names;
}

TEST(ClientEventsTest, EverySubscriberStartsWithTheStateAndSeesEventsInOrder) {
    ClientHarness h;
    auto first = h.subscribe();
    auto second = h.subscribe();
    auto session = h.createServiceSession();
    h.run(h.core->restoreSession(session));
    h.service.failNext(503, std::string("realtime_unavailable"), std::nullopt,
                       tools::FaultScope{"GET", "/api/widget/v1/sessions/"});
    EXPECT_THROW(h.run(h.core->refresh()), VelmoraError);

    const std::vector<std::string> expected = {
        "loading(idle)", // on subscription
        "loading(loading-messages)",
        "snapshot",
        "loading(idle)", // the restore's read
        "loading(loading-messages)",
        "error(realtime-unavailable)",
        "loading(idle)", // the failure
    };
    EXPECT_EQ(take(first, 7), expected);
    EXPECT_EQ(take(second, 7), expected);

    // A subscriber joining later learns only the present state.
    auto late = h.subscribe();
    EXPECT_EQ(take(late, 1), std::vector<std::string>{"loading(idle)"});
    EXPECT_FALSE(ClientHarness::hasEventWithin(late, std::chrono::milliseconds(50)));
}

TEST(ClientEventsTest, EverySubscriberSharesTheOneSnapshotTheClientRead) {
    ClientHarness h;
    auto first = h.subscribe();
    auto second = h.subscribe();
    auto session = h.createServiceSession();
    h.run(h.core->restoreSession(session));
    const auto snapshotOf = [](AsyncStream<VelmoraEvent>& stream) {
        for (;;) {
            auto event = ClientHarness::nextEvent(stream);
            if (auto* snapshot = std::get_if<event::snapshot>(&event))
                return snapshot->shared();
        }
    };
    const auto seenFirst = snapshotOf(first);
    const auto seenSecond = snapshotOf(second);
    // Not copied per subscriber, nor for the client itself: one object, held by all three.
    EXPECT_EQ(seenFirst, seenSecond);
    EXPECT_EQ(seenFirst->sessionId, session.sessionId);
    EXPECT_EQ(h.onStrand([core = h.core] { return core->snapshot_; }), seenFirst);
}

TEST(ClientEventsTest, RefreshWithoutSessionFailsQuietly) {
    ClientHarness h;
    auto stream = h.subscribe();
    take(stream, 1);
    auto error = expectVelmoraError([&] { h.run(h.core->refresh()); });
    EXPECT_EQ(error, VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                                  "Start or resume a session first."));
    EXPECT_FALSE(ClientHarness::hasEventWithin(stream, std::chrono::milliseconds(50)));
    EXPECT_TRUE(h.service.requests().empty());
}

TEST(ClientEventsTest, DroppedStreamIsRemovedAndOthersAreUnaffected) {
    ClientHarness h;
    auto kept = h.subscribe();
    {
        auto dropped = h.subscribe();
        EXPECT_EQ(h.onStrand([c = h.core] { return c->subscriberCount(); }), 2u);
    }
    // Removal happens later on the strand; wait for it with a bounded poll.
    for (int i = 0; i < 100 && h.onStrand([c = h.core] { return c->subscriberCount(); }) != 1u;
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(h.onStrand([c = h.core] { return c->subscriberCount(); }), 1u);
    h.onStrand([c = h.core] {
        c->setLoadingState(VelmoraLoadingState::idle);
        return 0;
    });
    EXPECT_EQ(take(kept, 2), (std::vector<std::string>{"loading(idle)", "loading(idle)"}));
}

TEST(ClientEventsTest, ErrorsThatAreNotVelmoraErrorsBecomeNetworkErrors) {
    ClientHarness h;
    auto stream = h.subscribe();
    take(stream, 1);
    h.onStrand([c = h.core] {
        c->emitError(std::make_exception_ptr(std::runtime_error("disk on fire")));
        c->emitError(std::make_exception_ptr(
            VelmoraError(VelmoraErrorCode::rateLimited, 429, 5, "rate_limited")));
        return 0;
    });
    auto first = std::get<event::error>(ClientHarness::nextEvent(stream)).value;
    EXPECT_EQ(first,
              VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt, "disk on fire"));
    auto second = std::get<event::error>(ClientHarness::nextEvent(stream)).value;
    EXPECT_EQ(second, VelmoraError(VelmoraErrorCode::rateLimited, 429, 5, "rate_limited"));
}

TEST(ClientEventsTest, FreeingTheClientLeavesOpenStreamsAlone) {
    asio::io_context io;
    std::optional<AsyncStream<VelmoraEvent>> stream;
    {
        VelmoraConfiguration configuration(
            "https://example.com", "i", "a", "en", std::nullopt,
            []() -> asio::awaitable<std::string> { co_return "t"; }, 1.0);
        ClientStores stores;
        VelmoraClient client(io.get_executor(), std::move(configuration), stores.outbox,
                             stores.pendingSessionStarts, stores.sessions,
                             stores.pendingAttachmentSends, stores.pendingAttachmentOperations,
                             std::make_shared<VelmoraURLSessionTransport>());
        auto future = client.events(asio::use_future);
        io.run();
        io.restart();
        stream.emplace(future.get());
    }
    // The client is gone: the stream still yields what it buffered and then waits.
    auto first = stream->next(asio::use_future);
    io.run();
    io.restart();
    EXPECT_EQ(describe(*first.get()), "loading(idle)");
    stream.reset(); // the removal task finds no client and does nothing
    io.run();
}

} // namespace
} // namespace velmora::testing
