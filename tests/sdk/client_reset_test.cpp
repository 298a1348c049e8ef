#include "client_harness.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

using tools::FaultScope;

/// A pending-attachment store whose removals fail until healed.
class FailingPendingAttachmentStore : public VelmoraMemoryPendingAttachmentStore {
public:
    std::atomic<bool> failing{true};
    asio::awaitable<void> remove(std::string accountScope) override {
        if (failing) {
            throw VelmoraError(VelmoraErrorCode::outboxCorrupt, std::nullopt, std::nullopt,
                               "Velmora pending attachment storage could not be saved.");
        }
        co_await VelmoraMemoryPendingAttachmentStore::remove(std::move(accountScope));
    }
};

TEST(ClientResetTest, ClearsMemoryAndEveryStoreOfTheScopeOnly) {
    ClientHarness h;
    auto session = h.createServiceSession();
    h.run(h.core->restoreSession(session));
    auto entry = [](std::string id, std::string scope) {
        return VelmoraOutboxEntry{id,
                                  scope,
                                  "s",
                                  Data{'{', '}'},
                                  VelmoraMessageInput{"hi", {}, {}, {}, {}, {}},
                                  "2026-01-01T00:00:00Z",
                                  0};
    };
    h.run(h.stores.outbox->save(entry("mine-000000000001", "account-a")));
    h.run(h.stores.outbox->save(entry("theirs-00000000001", "account-b")));
    auto stream = h.subscribe();
    ClientHarness::nextEvent(stream);

    h.run(h.core->resetSession());
    EXPECT_EQ(describe(ClientHarness::nextEvent(stream)), "sessionCleared");
    EXPECT_EQ(describe(ClientHarness::nextEvent(stream)), "loading(idle)");
    EXPECT_EQ(h.onStrand([c = h.core] { return c->session(); }), std::nullopt);
    EXPECT_FALSE(h.onStrand([c = h.core] { return c->snapshot().has_value(); }));
    EXPECT_EQ(h.run(h.stores.sessions->load("account-a")), std::nullopt);
    auto remaining = h.run(h.stores.outbox->load());
    ASSERT_EQ(remaining.size(), 1u);
    EXPECT_EQ(remaining[0].accountScope, "account-b");
}

TEST(ClientResetTest, ResetDuringARequestEndsItAndNothingFollowsSessionCleared) {
    ClientHarness h;
    auto session = h.createServiceSession();
    h.run(h.core->restoreSession(session));
    auto stream = h.subscribe();
    ClientHarness::nextEvent(stream);

    h.service.delayNext(std::chrono::milliseconds(2000),
                        FaultScope{"GET", "/api/widget/v1/sessions/"});
    h.service.delayNext(std::chrono::milliseconds(2000),
                        FaultScope{"GET", "/api/widget/v1/content"});
    auto refresh = h.spawn(h.core->refresh());
    auto content = h.spawn(h.core->loadWidgetContent());
    EXPECT_EQ(describe(ClientHarness::nextEvent(stream)), "loading(loading-messages)");
    // Both requests are on the wire before the reset.
    for (int i = 0; i < 200 && h.service.requests("GET", "").size() < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    auto started = std::chrono::steady_clock::now();
    h.run(h.core->resetSession());

    auto refreshError = expectVelmoraError([&] { refresh.get(); });
    EXPECT_EQ(refreshError.message(), "The session changed while the request was in flight.");
    auto contentError = expectVelmoraError([&] { content.get(); });
    EXPECT_EQ(contentError.code(), VelmoraErrorCode::sessionExpired);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));

    EXPECT_EQ(describe(ClientHarness::nextEvent(stream)), "sessionCleared");
    EXPECT_EQ(describe(ClientHarness::nextEvent(stream)), "loading(idle)");
    EXPECT_FALSE(ClientHarness::hasEventWithin(stream, std::chrono::milliseconds(100)));
    EXPECT_FALSE(h.onStrand([c = h.core] { return c->widgetContent().has_value(); }));
    EXPECT_EQ(h.onStrand([c = h.core] { return c->inFlightRequestCount(); }), 0u);
}

TEST(ClientResetTest, FailedClearingIsStickyUntilAResetSucceeds) {
    auto failing = std::make_shared<FailingPendingAttachmentStore>();
    ClientStores stores;
    stores.pendingAttachmentSends = failing;
    ClientHarness h(ClientHarness::Settings{}, stores);
    auto session = h.createServiceSession();
    h.run(h.core->restoreSession(session));
    h.run(stores.pendingSessionStarts->save(VelmoraPendingSessionStart{
        "account-a", "key-0000000000000001", Data{'{', '}'},
        VelmoraSessionStartInput{"hi", {}, {}, {}, {}, {}, {}}, "2026-01-01T00:00:00Z"}));
    auto stream = h.subscribe();
    ClientHarness::nextEvent(stream);

    const VelmoraError storeError(VelmoraErrorCode::outboxCorrupt, std::nullopt, std::nullopt,
                                  "Velmora pending attachment storage could not be saved.");
    EXPECT_EQ(expectVelmoraError([&] { h.run(h.core->resetSession()); }), storeError);
    EXPECT_EQ(describe(ClientHarness::nextEvent(stream)), "sessionCleared");
    EXPECT_EQ(describe(ClientHarness::nextEvent(stream)), "error(outbox-corrupt)");
    EXPECT_EQ(describe(ClientHarness::nextEvent(stream)), "loading(idle)");
    // Steps before the failure are done, those after it are not.
    EXPECT_EQ(h.run(stores.pendingSessionStarts->load("account-a")), std::nullopt);
    EXPECT_EQ(h.run(stores.sessions->load("account-a")), session);

    // Every guarded operation now throws the stored failure, without touching the network.
    h.service.clearRequests();
    EXPECT_EQ(expectVelmoraError([&] { h.run(h.core->loadWidgetAppearance()); }), storeError);
    EXPECT_EQ(expectVelmoraError([&] { h.run(h.core->restoreSession(session)); }), storeError);
    EXPECT_TRUE(h.service.requests().empty());

    failing->failing = false;
    h.run(h.core->resetSession());
    EXPECT_NO_THROW(h.run(h.core->loadWidgetAppearance()));
    EXPECT_EQ(h.run(stores.sessions->load("account-a")), std::nullopt);
}

TEST(ClientResetTest, SecondResetWhileTheFirstRunsIsRefused) {
    ClientHarness h;
    // Both start from one handler on the strand, so the first is still clearing durable state
    // (it waits for the persistence lock) when the second begins.
    auto [first, second] = h.onStrand([&h] {
        return std::make_pair(h.spawn(h.core->resetSession()), h.spawn(h.core->resetSession()));
    });
    first.get();
    auto error = expectVelmoraError([&] { second.get(); });
    EXPECT_EQ(error.message(), "A session reset is already in progress.");
}

} // namespace
} // namespace velmora::testing
