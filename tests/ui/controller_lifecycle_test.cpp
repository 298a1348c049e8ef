#include "controller/controller_test_access.hpp"
#include "controller_test_support.hpp"

namespace velmora::testing {
namespace {

/// A voice capability that records its stops; its state after a stop is `idle`.
class RecordingVoice final : public VelmoraVoiceCapability {
public:
    int stops = 0;
    VelmoraVoiceCapabilityState current = VelmoraVoiceCapabilityState::connected;
    VelmoraVoiceCapabilityState state() const override { return current; }
    bool isMuted() const override { return false; }
    AsyncStream<VelmoraVoiceCapabilityState> stateUpdates() override { return {}; }
    void stop() override {
        ++stops;
        current = VelmoraVoiceCapabilityState::idle;
    }
    void setMuted(bool) override {}

protected:
    void initiateStart(VelmoraVoiceCompletion completion) override {
        std::move(completion)(nullptr);
    }
    void initiateBargeIn(VelmoraVoiceCompletion completion) override {
        std::move(completion)(nullptr);
    }
};

enum class From { built, mounted, open, background, destroyed };

struct Step {
    const char* name;
    From from;
    std::function<void(VelmoraWidgetController&)> operation;
    // Expected afterwards; a new subscription's first event is the client's loading state.
    bool mounted, open, foreground, subscribed;
    std::vector<std::string> notified;
    bool draftStored; // the composer text "typed" is in the store
};

class ControllerLifecycleTest : public ::testing::Test {
protected:
    asio::io_context io;
    std::shared_ptr<ScriptedWidgetClient> client = std::make_shared<ScriptedWidgetClient>();
    std::shared_ptr<VelmoraWidgetDraftStore> store = std::make_shared<VelmoraWidgetDraftStore>();
    // The widget configuration stays loading: these tests are about the lifecycle alone.
    Gate configuration;

    ControllerLifecycleTest() {
        client->onLoadWidgetAppearance = [this]() -> asio::awaitable<JSONValue::Object> {
            co_await configuration.wait();
            co_return JSONValue::Object{};
        };
        client->onLoadWidgetContent = []() -> asio::awaitable<VelmoraWidgetContentSnapshot> {
            co_return VelmoraWidgetContentSnapshot{};
        };
    }

    std::shared_ptr<VelmoraWidgetController> reach(From from) {
        auto controller = VelmoraWidgetController::create(
            io.get_executor(), client, false, std::nullopt, std::nullopt, {}, {}, store);
        controller->setDraft("typed"); // in the composer, not saved
        switch (from) {
        case From::built:
            break;
        case From::mounted:
            controller->mount();
            break;
        case From::open:
            controller->open();
            break;
        case From::background:
            controller->open();
            controller->background();
            break;
        case From::destroyed:
            controller->destroy();
            break;
        }
        drain(io);
        return controller;
    }
};

TEST_F(ControllerLifecycleTest, EachOperationFromEachState) {
    auto op = [](void (VelmoraWidgetController::*f)()) {
        return [f](VelmoraWidgetController& c) { (c.*f)(); };
    };
    using C = VelmoraWidgetController;
    const Step steps[] = {
        {"mount from built",
         From::built,
         op(&C::mount),
         true,
         false,
         true,
         true,
         {"isMounted", "loadingState"},
         false},
        {"mount again", From::mounted, op(&C::mount), true, false, true, true, {}, false},
        {"open from built",
         From::built,
         op(&C::open),
         true,
         true,
         true,
         true,
         // The loads start: the configuration stays loading, the published state is read and
         // the help content arrives.
         {"isMounted", "isOpen", "isLoadingConfiguration", "content", "availability",
          "workspacePublicName", "screen", "isInitialNavigationResolved", "content", "helpError",
          "isInitialNavigationResolved", "loadingState"},
         false},
        {"open from mounted",
         From::mounted,
         op(&C::open),
         true,
         true,
         true,
         true,
         {"isOpen", "isLoadingConfiguration", "content", "availability", "workspacePublicName",
          "screen", "isInitialNavigationResolved", "content", "helpError",
          "isInitialNavigationResolved"},
         false},
        {"open again", From::open, op(&C::open), true, true, true, true, {}, false},
        {"close from open",
         From::open,
         op(&C::close),
         true,
         false,
         true,
         false,
         {"isOpen", "voiceState", "isActionInFlight", "activeHostActionRequestId",
          "isActionInFlight", "hostActionResult", "hostActionResultActionID"},
         true},
        {"close a never opened widget",
         From::built,
         op(&C::close),
         false,
         false,
         true,
         false,
         {"isOpen", "voiceState", "isActionInFlight", "activeHostActionRequestId",
          "isActionInFlight", "hostActionResult", "hostActionResultActionID"},
         true},
        {"background from open",
         From::open,
         op(&C::background),
         true,
         true,
         false,
         false,
         {"isForeground", "voiceState", "isActionInFlight", "activeHostActionRequestId",
          "isActionInFlight", "hostActionResult", "hostActionResultActionID"},
         false},
        {"background again",
         From::background,
         op(&C::background),
         true,
         true,
         false,
         false,
         {},
         false},
        {"foreground an open widget",
         From::background,
         op(&C::foreground),
         true,
         true,
         true,
         true,
         // The help content load that the background cut short runs again.
         {"isForeground", "isLoadingConfiguration", "content", "content", "helpError",
          "isInitialNavigationResolved", "loadingState"},
         false},
        {"foreground while in the foreground",
         From::open,
         op(&C::foreground),
         true,
         true,
         true,
         true,
         {},
         false},
        {"foreground a mounted widget",
         From::mounted,
         op(&C::foreground),
         true,
         false,
         true,
         true,
         {},
         false},
        {"destroy an open widget",
         From::open,
         op(&C::destroy),
         false,
         false,
         true,
         false,
         {"isOpen", "isMounted", "voiceState", "isActionInFlight", "activeHostActionRequestId",
          "isActionInFlight", "hostActionResult", "hostActionResultActionID", "pendingAttachments",
          "draft"},
         false},
        {"open after destroy", From::destroyed, op(&C::open), false, false, true, false, {}, false},
        {"mount after destroy",
         From::destroyed,
         op(&C::mount),
         false,
         false,
         true,
         false,
         {},
         false},
        {"foreground after destroy",
         From::destroyed,
         op(&C::foreground),
         false,
         false,
         true,
         false,
         {},
         false},
        {"update the draft after destroy",
         From::destroyed,
         [](C& c) { c.updateDraft("late"); },
         false,
         false,
         true,
         false,
         {},
         false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        store->clear(*client);
        client->subscribers.clear();
        auto controller = reach(step.from);
        NotificationLog log(*controller);
        step.operation(*controller);
        drain(io);
        EXPECT_EQ(controller->isMounted(), step.mounted);
        EXPECT_EQ(controller->isOpen(), step.open);
        EXPECT_EQ(controller->isForeground(), step.foreground);
        EXPECT_EQ(detail::WidgetControllerTestAccess::hasEventSubscription(*controller),
                  step.subscribed);
        EXPECT_EQ(client->openSubscriptions(), step.subscribed ? 1u : 0u);
        EXPECT_EQ(log.names, step.notified);
        EXPECT_EQ(store->state(*client).has_value(), step.draftStored);
        controller->destroy();
        drain(io);
    }
}

TEST_F(ControllerLifecycleTest, ClosingKeepsAStartedMessageWithItsKeyInTheComposer) {
    store->save({"First message",
                 "KEY-1",
                 "2026-01-01T00:00:00Z",
                 {},
                 VelmoraWidgetDraftOperation::sessionStart,
                 std::nullopt},
                *client);
    auto controller = VelmoraWidgetController::create(io.get_executor(), client, false,
                                                      std::nullopt, std::nullopt, {}, {}, store);
    controller->open();
    controller->updateDraft("something else");
    controller->close();
    EXPECT_EQ(controller->draft(), "First message");
    EXPECT_EQ(store->state(*client)->idempotencyKey, "KEY-1");
}

TEST_F(ControllerLifecycleTest, DestroyRemovesTheSavedDraftAndKeepsTheTranscript) {
    auto controller = reach(From::open);
    controller->updateDraft("to be dropped");
    client->emit(event::snapshot{snapshotWithMessages(2)});
    client->emit(event::error{velmoraError(VelmoraErrorCode::network, "Network request failed.")});
    drain(io);
    controller->destroy();
    drain(io);
    EXPECT_EQ(controller->draft(), "");
    EXPECT_FALSE(store->state(*client));
    EXPECT_EQ(controller->messages().size(), 2u);
    EXPECT_TRUE(controller->snapshot());
    EXPECT_TRUE(controller->error());
}

TEST_F(ControllerLifecycleTest, StoppingWorkStopsTheVoiceAndPublishesItsState) {
    auto controller = reach(From::open);
    auto voice = std::make_shared<RecordingVoice>();
    controller->attachVoiceCapability(voice, true);
    EXPECT_EQ(controller->voiceState(), VelmoraVoiceCapabilityState::connected);
    EXPECT_TRUE(controller->voiceAvailable());
    controller->close();
    EXPECT_EQ(voice->stops, 1);
    EXPECT_EQ(controller->voiceState(), VelmoraVoiceCapabilityState::idle);
    EXPECT_TRUE(controller->voiceAvailable()); // still attached
    controller->destroy();
    drain(io);
}

TEST_F(ControllerLifecycleTest, HostCloseIsCalledEvenAfterDestroyAndMayReenter) {
    auto controller = reach(From::open);
    int calls = 0;
    controller->setOnHostClose([&] {
        ++calls;
        controller->open(); // re-entering from the callback is safe
    });
    controller->requestHostClose();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(controller->isOpen());
    controller->destroy();
    controller->requestHostClose();
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(controller->isOpen());
    drain(io);
}

TEST_F(ControllerLifecycleTest, ADestroyedControllerIsFreedOnceItsSubscriptionEnds) {
    auto controller = reach(From::open);
    std::weak_ptr<VelmoraWidgetController> weak = controller;
    controller->destroy();
    controller.reset();
    drain(io);
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(client->openSubscriptions(), 0u);
}

TEST_F(ControllerLifecycleTest, AControllerDroppedBeforeItsTaskRanLeavesNothingBehind) {
    auto controller = VelmoraWidgetController::create(io.get_executor(), client, false,
                                                      std::nullopt, std::nullopt, {}, {}, store);
    std::weak_ptr<VelmoraWidgetController> weak = controller;
    controller->mount(); // the subscription is posted, not yet running
    controller.reset();
    EXPECT_TRUE(weak.expired());
    drain(io);
    EXPECT_TRUE(client->calls.empty());
    // Events that would have come later find no one.
    client->emit(event::snapshot{snapshotWithMessages(1)});
    drain(io);
}

} // namespace
} // namespace velmora::testing
