#include "controller_test_support.hpp"

namespace velmora::testing {
namespace {

class ControllerEventsTest : public ::testing::Test {
protected:
    asio::io_context io;
    std::shared_ptr<ScriptedWidgetClient> client = std::make_shared<ScriptedWidgetClient>();
    std::shared_ptr<VelmoraWidgetDraftStore> store = std::make_shared<VelmoraWidgetDraftStore>();
    std::shared_ptr<VelmoraWidgetController> controller = VelmoraWidgetController::create(
        io.get_executor(), client, false, std::nullopt, std::nullopt, {}, {}, store);

    // The event loop keeps a controller alive while it runs: every test ends it.
    void TearDown() override {
        controller->destroy();
        drain(io);
    }

    void mounted() {
        controller->mount();
        drain(io);
        ASSERT_EQ(client->openSubscriptions(), 1u);
    }
    void deliver(const VelmoraEvent& event) {
        client->emit(event);
        drain(io);
    }
};

TEST_F(ControllerEventsTest, TheFirstEventOfASubscriptionIsTheClientsLoadingState) {
    client->initialLoading = VelmoraLoadingState::reconnecting;
    mounted();
    EXPECT_EQ(controller->loadingState(), VelmoraLoadingState::reconnecting);
    controller->mount(); // a second mount keeps the one subscription
    drain(io);
    EXPECT_EQ(client->openSubscriptions(), 1u);
}

TEST_F(ControllerEventsTest, EachEventKindChangesExactlyItsPartOfTheState) {
    const auto failure = velmoraError(VelmoraErrorCode::http, "Request failed.", 500);
    struct Case {
        const char* name;
        VelmoraEvent event;
        std::vector<std::string> notified;
    };
    const Case cases[] = {
        {"loading", event::loading{VelmoraLoadingState::sendingMessage}, {"loadingState"}},
        {"sessionStarted", event::sessionStarted{VelmoraSession{"s-1", "c-1", "t"}}, {"error"}},
        {"snapshot", event::snapshot{snapshotWithMessages(3)}, {"snapshot", "messages"}},
        {"messageAccepted", event::messageAccepted{}, {"error"}},
        {"hostActionRequested",
         event::hostActionRequested{VelmoraHostActionRequest("har_1", "open", {}, {})},
         {}},
        {"hostActionCancelled", event::hostActionCancelled{"har_1"}, {}},
        {"error", event::error{failure}, {"error"}},
        {"sessionCleared",
         event::sessionCleared{},
         {"activeHostActionRequestId", "isActionInFlight", "hostActionResult",
          "hostActionResultActionID", "voiceEnabledByServer", "voiceState", "messages", "snapshot",
          "error"}},
    };
    mounted();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NotificationLog log(*controller);
        deliver(c.event);
        EXPECT_EQ(log.names, c.notified);
    }
    EXPECT_EQ(controller->loadingState(), VelmoraLoadingState::sendingMessage);
    EXPECT_TRUE(controller->messages().empty());
    EXPECT_FALSE(controller->snapshot());
    EXPECT_FALSE(controller->error());
}

TEST_F(ControllerEventsTest, ASnapshotMirrorsTheTranscript) {
    mounted();
    const auto snapshot = snapshotWithMessages(4);
    deliver(event::snapshot{snapshot});
    EXPECT_EQ(controller->snapshot(), snapshot);
    EXPECT_EQ(controller->messages(), snapshot.messages);

    // The published conversation is the event's own, not a copy of it.
    const event::snapshot next(snapshotWithMessages(5));
    deliver(next);
    EXPECT_EQ(&*controller->snapshot(), &next.value());
    EXPECT_EQ(&controller->messages(), &next.value().messages);
}

TEST_F(ControllerEventsTest, SnapshotsAfterAClearedSessionWaitForTheNextSession) {
    mounted();
    deliver(event::snapshot{snapshotWithMessages(2)});
    deliver(event::sessionCleared{});
    deliver(event::snapshot{snapshotWithMessages(5)});
    EXPECT_TRUE(controller->messages().empty());
    EXPECT_FALSE(controller->snapshot());
    deliver(event::sessionStarted{VelmoraSession{"s-2", std::nullopt, "t"}});
    deliver(event::snapshot{snapshotWithMessages(1, "s-2")});
    EXPECT_EQ(controller->messages().size(), 1u);
}

TEST_F(ControllerEventsTest, AClientErrorStaysVisibleOnlyWhileAStartedMessageWaits) {
    const auto failure = velmoraError(VelmoraErrorCode::network, "Network request failed.");
    {
        SCOPED_TRACE("no started message: cleared by the next acceptance");
        mounted();
        deliver(event::error{failure});
        EXPECT_EQ(controller->error(), failure);
        deliver(event::messageAccepted{});
        EXPECT_FALSE(controller->error());
    }
    {
        SCOPED_TRACE("a started message: kept through session start and acceptance");
        store->save({"First",
                     "KEY-1",
                     "2026-01-01T00:00:00Z",
                     {},
                     VelmoraWidgetDraftOperation::sessionStart,
                     std::nullopt},
                    *client);
        auto waiting = VelmoraWidgetController::create(io.get_executor(), client, false,
                                                       std::nullopt, std::nullopt, {}, {}, store);
        waiting->mount();
        drain(io);
        deliver(event::error{failure});
        deliver(event::sessionStarted{VelmoraSession{"s-1", std::nullopt, "t"}});
        deliver(event::messageAccepted{});
        deliver(event::sessionCleared{});
        EXPECT_EQ(waiting->error(), failure);
        waiting->destroy();
    }
}

TEST_F(ControllerEventsTest, ClearingTheSessionCancelsAPendingHostActionAndTellsTheHost) {
    std::vector<std::string> told;
    controller->setOnHostActionEvent([&](const VelmoraEvent& event) {
        if (const auto* cancelled = std::get_if<event::hostActionCancelled>(&event)) {
            told.push_back(cancelled->requestId);
        }
    });
    mounted();
    deliver(event::sessionCleared{});
    EXPECT_TRUE(told.empty()); // nothing was pending
    EXPECT_FALSE(controller->isActionInFlight());
}

TEST_F(ControllerEventsTest, AnEndedStreamIsNotReplacedUntilWorkIsStopped) {
    mounted();
    client->finishStreams();
    drain(io);
    controller->mount();
    drain(io);
    EXPECT_EQ(client->subscribers.size(), 1u);
    controller->background();
    controller->foreground(); // not open: no subscription
    drain(io);
    EXPECT_EQ(client->subscribers.size(), 1u);
    controller->mount();
    drain(io);
    EXPECT_EQ(client->subscribers.size(), 2u);
    EXPECT_EQ(client->openSubscriptions(), 1u);
}

} // namespace
} // namespace velmora::testing
