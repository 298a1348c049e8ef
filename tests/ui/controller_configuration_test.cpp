#include "controller_conversation_support.hpp"

namespace velmora::testing {
namespace {

/// A controller that knows nothing yet: opening it fetches the widget configuration.
struct UnconfiguredWidget : ScriptedConversation {
    Gate fetch;
    int fetches = 0;

    UnconfiguredWidget() {
        client->onLoadWidgetAppearance = [this](auto...) -> asio::awaitable<JSONValue::Object> {
            ++fetches;
            co_await fetch.wait();
            co_return JSONValue::Object{};
        };
    }
    VelmoraWidgetController& makeUnconfigured() {
        controller = VelmoraWidgetController::create(io.get_executor(), client, false, std::nullopt,
                                                     std::nullopt, {}, {}, store);
        return *controller;
    }
};

TEST(ControllerConfigurationTest, ALoadPublishesTheNavigationSettlesTheScreenThenReconciles) {
    UnconfiguredWidget w;
    w.client->navigation = VelmoraWidgetNavigation{true, false};
    w.client->workspaceName = "Acme Support";
    auto& controller = w.makeUnconfigured();
    controller.applyInitialNavigation(VelmoraWidgetViewMode::messages, std::nullopt);
    controller.open();
    drain(w.io);
    controller.foreground(); // a second request while one runs: no second fetch
    drain(w.io);
    EXPECT_EQ(w.fetches, 1);
    EXPECT_TRUE(controller.isLoadingConfiguration());
    EXPECT_FALSE(controller.isInitialNavigationResolved()); // messages wait for the load
    EXPECT_EQ(w.callsAmong({"refresh", "resumeSession"}), std::vector<std::string>{});

    w.fetch.open();
    drain(w.io);
    EXPECT_FALSE(controller.isLoadingConfiguration());
    EXPECT_EQ(controller.screen(), VelmoraWidgetViewMode::messages);
    EXPECT_TRUE(controller.isInitialNavigationResolved());
    EXPECT_EQ(controller.workspacePublicName(), "Acme Support");
    EXPECT_FALSE(controller.helpAvailable());
    EXPECT_EQ(w.callsAmong({"refresh", "resumeSession"}),
              std::vector<std::string>{"resumeSession"});

    // Loaded once: later requests only re-read what the client holds.
    controller.background();
    controller.foreground();
    drain(w.io);
    EXPECT_EQ(w.fetches, 1);
    EXPECT_EQ(w.callsAmong({"refresh", "resumeSession"}).size(), 2u);
}

struct FailureCase {
    const char* name;
    std::function<void(UnconfiguredWidget&)> script;
    std::string message;
    VelmoraErrorCode code;
};

TEST(ControllerConfigurationTest, AFailedLoadIsShownAndTheNextRequestFetchesAgain) {
    const std::vector<FailureCase> cases = {
        {"no navigation", [](UnconfiguredWidget& w) { w.fetch.open(); },
         "Widget navigation configuration is missing.", VelmoraErrorCode::invalidConfig},
        {"the client's failure",
         [](UnconfiguredWidget& w) {
             w.client->onLoadWidgetAppearance = failWith<JSONValue::Object>(
                 velmoraError(VelmoraErrorCode::http, "Widget configuration was rejected.", 500));
         },
         "Widget configuration was rejected.", VelmoraErrorCode::http},
        {"a failure that is not the client's own",
         [](UnconfiguredWidget& w) {
             w.client->onLoadWidgetAppearance =
                 failWith<JSONValue::Object>(std::runtime_error("parser"));
         },
         "Velmora widget configuration failed.", VelmoraErrorCode::network},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        UnconfiguredWidget w;
        row.script(w);
        auto& controller = w.makeUnconfigured();
        controller.open();
        drain(w.io);
        ASSERT_TRUE(controller.error());
        EXPECT_EQ(controller.error()->message(), row.message);
        EXPECT_EQ(controller.error()->code(), row.code);
        EXPECT_FALSE(controller.isLoadingConfiguration());
        w.client->calls.clear();
        controller.foreground();
        drain(w.io);
        EXPECT_EQ(w.callsAmong({"loadWidgetAppearance"}),
                  std::vector<std::string>{"loadWidgetAppearance"});
    }
}

TEST(ControllerConfigurationTest, ALoadMadeStaleByOtherWorkAsksAgainWhenThatWorkEnds) {
    // The other work ends before the stale fetch does, or after it.
    for (const bool workOutlastsTheFetch : {false, true}) {
        SCOPED_TRACE(workOutlastsTheFetch ? "a send still running" : "a retry already over");
        UnconfiguredWidget w;
        Gate delivery;
        w.client->onStartSession = [&](auto...) -> asio::awaitable<VelmoraSession> {
            co_await delivery.wait();
            co_return sessionNamed("s-1");
        };
        auto& controller = w.makeUnconfigured();
        controller.open();
        drain(w.io);
        w.client->navigation = VelmoraWidgetNavigation{true, true}; // what the fetch will bring
        w.client->workspaceName = "Acme Support";
        // Other work: the running fetch is stale from here on.
        if (workOutlastsTheFetch) {
            controller.updateDraft("Hello there");
            controller.send();
        } else {
            controller.retry();
        }
        drain(w.io);
        w.fetch.open();
        drain(w.io);
        EXPECT_EQ(controller.mutationInFlight(), workOutlastsTheFetch);
        if (workOutlastsTheFetch) {
            // A stale load publishes nothing, and hands its place back.
            EXPECT_FALSE(controller.navigationReady());
            EXPECT_FALSE(controller.isLoadingConfiguration());
            EXPECT_EQ(w.fetches, 1);
            delivery.open();
            drain(w.io);
        }
        // Asked again without the host having to foreground the widget.
        EXPECT_EQ(w.fetches, 2);
        EXPECT_TRUE(controller.navigationReady());
        EXPECT_EQ(controller.workspacePublicName(), "Acme Support");
        EXPECT_FALSE(controller.isLoadingConfiguration());
        controller.foreground(); // loaded: nothing is fetched again
        drain(w.io);
        EXPECT_EQ(w.fetches, 2);
    }
}

TEST(ControllerConfigurationTest, ClosingDuringTheFetchPublishesNothing) {
    UnconfiguredWidget w;
    auto& controller = w.makeUnconfigured();
    controller.open();
    drain(w.io);
    w.client->navigation = VelmoraWidgetNavigation{true, true}; // what the fetch will bring
    NotificationLog log(controller);
    controller.close();
    w.fetch.open();
    drain(w.io);
    for (const auto& name : log.names) {
        EXPECT_NE(name, "navigationReady");
        EXPECT_NE(name, "error");
    }
    EXPECT_FALSE(controller.navigationReady());
}

} // namespace
} // namespace velmora::testing
