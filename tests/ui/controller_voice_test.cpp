#include "controller_open_widget_fixture.hpp"

#include <boost/asio/post.hpp>

namespace velmora::testing {
namespace {

using State = VelmoraVoiceCapabilityState;

/// A host's voice capability whose state the test drives: `announce` changes the state and
/// tells every subscriber.
class TestVoice final : public VelmoraVoiceCapability {
public:
    State current = State::idle;
    int stops = 0;
    std::vector<bool> mutes;
    std::vector<AsyncStreamContinuation<State>> subscribers;
    std::exception_ptr startFailure;
    std::optional<VelmoraVoiceCompletion> pendingStart;

    void announce(State state) {
        current = state;
        for (const auto& s : subscribers) {
            s.yield(state);
        }
    }

    State state() const override { return current; }
    bool isMuted() const override { return current == State::muted; }
    AsyncStream<State> stateUpdates() override {
        auto [stream, continuation] = makeAsyncStream<State>();
        subscribers.push_back(continuation);
        return std::move(stream);
    }
    void stop() override {
        ++stops;
        current = State::idle;
    }
    void setMuted(bool muted) override {
        mutes.push_back(muted);
        current = muted ? State::muted : State::connected;
    }

protected:
    void initiateStart(VelmoraVoiceCompletion completion) override {
        pendingStart.emplace(std::move(completion));
    }
    void initiateBargeIn(VelmoraVoiceCompletion completion) override {
        std::move(completion)(nullptr);
    }
};

class ControllerVoiceTest : public OpenWidgetFixture {
protected:
    ControllerVoiceTest() {
        client->session = VelmoraSession{"s-1", std::nullopt, "token"};
        client->voiceSettings = VelmoraWidgetVoiceSettings{true, "en", {"en", "de"}};
        // The reopening re-reads the session's conversation.
        client->onRefresh = []() -> asio::awaitable<VelmoraSnapshot> {
            co_return VelmoraSnapshot{};
        };
    }

    // The observation holds the capability, and the capability its stream.
    void TearDown() override {
        if (voice) {
            for (const auto& s : voice->subscribers) {
                s.finish();
            }
        }
        OpenWidgetFixture::TearDown();
    }

    /// A factory that hands out `voice` once the test lets it (`finish`), ignoring
    /// cancellation as a host's own work may.
    VelmoraVoiceFactory slowFactory() {
        return [this](std::shared_ptr<VelmoraWidgetClient>, VelmoraWidgetVoiceSettings)
                   -> asio::awaitable<std::shared_ptr<VelmoraVoiceCapability>> {
            ++factoryCalls;
            co_return co_await asio::async_initiate<decltype(asio::use_awaitable),
                                                    void(std::shared_ptr<VelmoraVoiceCapability>)>(
                [this](auto handler) { finish = std::move(handler); }, asio::use_awaitable);
        };
    }
    VelmoraVoiceFactory readyFactory() {
        return [this](std::shared_ptr<VelmoraWidgetClient>, VelmoraWidgetVoiceSettings)
                   -> asio::awaitable<std::shared_ptr<VelmoraVoiceCapability>> {
            ++factoryCalls;
            co_return voice;
        };
    }

    std::shared_ptr<TestVoice> voice = std::make_shared<TestVoice>();
    int factoryCalls = 0;
    std::optional<asio::any_completion_handler<void(std::shared_ptr<VelmoraVoiceCapability>)>>
        finish;
};

TEST_F(ControllerVoiceTest, TheCapabilitysStateStreamIsApplied) {
    auto controller = openController();
    controller->setVoiceFactory(readyFactory());
    drain(io);
    ASSERT_TRUE(controller->voiceAvailable());
    EXPECT_EQ(controller->voiceState(), State::idle);

    controller->toggleVoice(); // idle: starts
    EXPECT_EQ(controller->voiceState(), State::starting);
    drain(io);
    voice->announce(State::connecting);
    drain(io);
    EXPECT_EQ(controller->voiceState(), State::connecting);
    voice->current = State::connected;
    std::move (*voice->pendingStart)(nullptr);
    drain(io);
    EXPECT_EQ(controller->voiceState(), State::connected);

    // An element only says "look again": the state read at that moment wins.
    voice->current = State::failed;
    voice->subscribers.back().yield(State::connected);
    drain(io);
    EXPECT_EQ(controller->voiceState(), State::failed);

    controller->setVoiceMuted(true);
    EXPECT_EQ(controller->voiceState(), State::muted);
    controller->toggleVoice(); // muted: stops
    EXPECT_EQ(controller->voiceState(), State::idle);
    EXPECT_EQ(voice->stops, 1);
    EXPECT_EQ(voice->mutes, std::vector<bool>{true});

    // In the background nothing is driven, and updates are no longer followed.
    controller->background();
    const int stops = voice->stops;
    controller->toggleVoice();
    controller->setVoiceMuted(false);
    voice->announce(State::connecting);
    drain(io);
    EXPECT_EQ(voice->stops, stops);
    EXPECT_EQ(voice->mutes.size(), 1u);
    EXPECT_EQ(controller->voiceState(), State::idle);
}

TEST_F(ControllerVoiceTest, AStartThatFailsIsShownAndAStaleStartIsDropped) {
    auto controller = openController();
    controller->setVoiceFactory(readyFactory());
    drain(io);
    controller->toggleVoice();
    drain(io);
    voice->current = State::failed;
    std::move (*voice->pendingStart)(std::make_exception_ptr(std::runtime_error("no microphone")));
    drain(io);
    EXPECT_EQ(controller->voiceState(), State::failed);
    ASSERT_TRUE(controller->error());
    EXPECT_EQ(controller->error()->code(), VelmoraErrorCode::realtimeUnavailable);
    EXPECT_EQ(controller->error()->message(), "Voice could not start.");

    // Failed: a toggle starts again; a second toggle while starting stops, and the first
    // start's late answer changes nothing.
    controller->toggleVoice();
    drain(io);
    controller->toggleVoice();
    EXPECT_EQ(controller->voiceState(), State::idle);
    voice->current = State::connected;
    std::move (*voice->pendingStart)(nullptr);
    drain(io);
    EXPECT_EQ(controller->voiceState(), State::idle);
}

TEST_F(ControllerVoiceTest, AFactoryThatThrowsIsShownAndAskedAgainLater) {
    int calls = 0;
    auto controller = openController();
    controller->setVoiceFactory(
        [&](std::shared_ptr<VelmoraWidgetClient>, VelmoraWidgetVoiceSettings)
            -> asio::awaitable<std::shared_ptr<VelmoraVoiceCapability>> {
            ++calls;
            throw std::runtime_error("no audio session");
            co_return nullptr;
        });
    drain(io);
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(controller->error());
    EXPECT_EQ(controller->error()->code(), VelmoraErrorCode::realtimeUnavailable);
    EXPECT_EQ(controller->error()->message(), "Voice capability could not be configured.");
    EXPECT_FALSE(controller->voiceAvailable());
    EXPECT_FALSE(controller->voiceState());
    client->emit(event::sessionStarted{VelmoraSession{"s-1", std::nullopt, "token"}});
    drain(io);
    EXPECT_EQ(calls, 2) << "a later trigger runs the factory again";
}

TEST_F(ControllerVoiceTest, AFactoryThatFinishesAfterTheWidgetClosedHasItsCapabilityStopped) {
    auto controller = openController();
    controller->setVoiceFactory(slowFactory());
    drain(io);
    ASSERT_TRUE(finish);
    controller->close();
    asio::post(io, [this]() mutable { std::move (*finish)(voice); });
    drain(io);
    EXPECT_EQ(voice->stops, 1) << "stopped";
    EXPECT_FALSE(controller->voiceAvailable()) << "and dropped";
    EXPECT_FALSE(controller->voiceState());
    EXPECT_FALSE(controller->error());
    std::weak_ptr<TestVoice> weakVoice = voice;
    finish.reset();
    voice.reset();
    EXPECT_TRUE(weakVoice.expired()) << "the controller keeps nothing of it";
}

TEST_F(ControllerVoiceTest, TheFactoryRunsOnlyWhenTheServiceAllowsVoice) {
    struct Case {
        const char* name;
        std::optional<VelmoraSession> session;
        std::optional<VelmoraWidgetVoiceSettings> settings;
        int calls;
    };
    const VelmoraSession session{"s-1", std::nullopt, "token"};
    const Case cases[] = {
        {"available", session, VelmoraWidgetVoiceSettings{true, "en", {"en"}}, 1},
        {"no session", std::nullopt, VelmoraWidgetVoiceSettings{true, "en", {"en"}}, 0},
        {"no settings", session, std::nullopt, 0},
        {"disabled", session, VelmoraWidgetVoiceSettings{false, "en", {"en"}}, 0},
        {"default language not allowed", session, VelmoraWidgetVoiceSettings{true, "fr", {"en"}},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        factoryCalls = 0;
        client->session = c.session;
        client->voiceSettings = c.settings;
        auto controller = openController();
        controller->setVoiceFactory(readyFactory());
        drain(io);
        EXPECT_EQ(factoryCalls, c.calls);
        EXPECT_EQ(controller->voiceAvailable(), c.calls == 1);
        controller->destroy();
        drain(io);
    }
}

TEST_F(ControllerVoiceTest, AClearedSessionStopsAndDropsTheCapability) {
    auto controller = openController();
    controller->setVoiceFactory(readyFactory());
    drain(io);
    ASSERT_TRUE(controller->voiceAvailable());
    client->emit(event::sessionCleared{});
    drain(io);
    EXPECT_EQ(voice->stops, 1);
    EXPECT_FALSE(controller->voiceAvailable());
    EXPECT_FALSE(controller->voiceEnabledByServer());
    EXPECT_FALSE(controller->voiceState());
}

} // namespace
} // namespace velmora::testing
