#include "velmora/voice.hpp"

#include "detail/voice_state_codec.hpp"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace velmora {
namespace {

namespace asio = boost::asio;

TEST(VelmoraVoiceCapabilityStateTest, TextsRoundTripAndOthersAreRefused) {
    const std::vector<std::pair<VelmoraVoiceCapabilityState, std::string>> cases{
        {VelmoraVoiceCapabilityState::idle, "idle"},
        {VelmoraVoiceCapabilityState::requestingPermission, "requesting-permission"},
        {VelmoraVoiceCapabilityState::starting, "starting"},
        {VelmoraVoiceCapabilityState::connecting, "connecting"},
        {VelmoraVoiceCapabilityState::connected, "connected"},
        {VelmoraVoiceCapabilityState::muted, "muted"},
        {VelmoraVoiceCapabilityState::stopping, "stopping"},
        {VelmoraVoiceCapabilityState::failed, "failed"},
    };
    for (const auto& [state, text] : cases) {
        EXPECT_EQ(rawValue(state), text);
        EXPECT_EQ(velmoraVoiceCapabilityStateFromRawValue(text), state);
        const auto json = detail::Codec<VelmoraVoiceCapabilityState>::encode(state);
        EXPECT_EQ(detail::writeJSON(json), "\"" + text + "\"");
        EXPECT_EQ(detail::Codec<VelmoraVoiceCapabilityState>::decode(json, ""), state);
    }
    for (const char* text : {"requestingPermission", "Idle", "", "idle "}) {
        EXPECT_EQ(velmoraVoiceCapabilityStateFromRawValue(text), std::nullopt) << text;
        EXPECT_THROW(detail::Codec<VelmoraVoiceCapabilityState>::decode(
                         detail::parseJSON("\"" + std::string(text) + "\""), ""),
                     VelmoraDecodingError);
    }
}

// What a host writes: a capability whose operations complete on the caller's executor.
class FakeVoice final : public VelmoraVoiceCapability {
public:
    explicit FakeVoice(bool failStart) : failStart_(failStart) {}

    VelmoraVoiceCapabilityState state() const override { return state_; }
    bool isMuted() const override { return muted_; }
    AsyncStream<VelmoraVoiceCapabilityState> stateUpdates() override {
        auto [stream, continuation] = makeAsyncStream<VelmoraVoiceCapabilityState>();
        subscribers_.push_back(continuation);
        return std::move(stream);
    }
    void stop() override {
        set(VelmoraVoiceCapabilityState::idle);
        for (auto& subscriber : subscribers_) {
            subscriber.finish();
        }
    }
    void setMuted(bool muted) override {
        muted_ = muted;
        set(muted ? VelmoraVoiceCapabilityState::muted : VelmoraVoiceCapabilityState::connected);
    }

protected:
    void initiateStart(VelmoraVoiceCompletion completion) override {
        set(VelmoraVoiceCapabilityState::connecting);
        // A real capability would finish on a thread of its own; the completion may be called
        // from anywhere.
        if (failStart_) {
            set(VelmoraVoiceCapabilityState::failed);
            std::move(completion)(std::make_exception_ptr(std::runtime_error("no microphone")));
        } else {
            set(VelmoraVoiceCapabilityState::connected);
            std::move(completion)(nullptr);
        }
    }
    void initiateBargeIn(VelmoraVoiceCompletion completion) override {
        std::move(completion)(nullptr);
    }

private:
    void set(VelmoraVoiceCapabilityState state) {
        state_ = state;
        for (auto& subscriber : subscribers_) {
            subscriber.yield(state);
        }
    }

    bool failStart_;
    bool muted_ = false;
    VelmoraVoiceCapabilityState state_ = VelmoraVoiceCapabilityState::idle;
    std::vector<AsyncStreamContinuation<VelmoraVoiceCapabilityState>> subscribers_;
};

TEST(VelmoraVoiceCapabilityTest, AWidgetFollowsTheStateStreamOfAHostCapability) {
    asio::io_context io;
    auto voice = std::make_shared<FakeVoice>(false);
    std::shared_ptr<VelmoraVoiceCapability> capability = voice;
    auto updates = capability->stateUpdates();
    std::vector<VelmoraVoiceCapabilityState> seen;
    asio::co_spawn(
        io,
        [&]() -> asio::awaitable<void> {
            while (auto state = co_await updates.next()) {
                seen.push_back(*state);
            }
        },
        asio::detached);
    asio::co_spawn(
        io,
        [&]() -> asio::awaitable<void> {
            co_await capability->start();
            co_await capability->bargeIn();
            capability->setMuted(true);
            capability->stop();
        },
        [](std::exception_ptr e) { EXPECT_EQ(e, nullptr); });
    io.run();
    EXPECT_EQ(seen,
              (std::vector{VelmoraVoiceCapabilityState::connecting,
                           VelmoraVoiceCapabilityState::connected,
                           VelmoraVoiceCapabilityState::muted, VelmoraVoiceCapabilityState::idle}));
    EXPECT_TRUE(capability->isMuted());
}

TEST(VelmoraVoiceCapabilityTest, AFailedStartThrowsIntoTheCoroutine) {
    asio::io_context io;
    std::shared_ptr<VelmoraVoiceCapability> capability = std::make_shared<FakeVoice>(true);
    std::string failure;
    asio::co_spawn(
        io,
        [&]() -> asio::awaitable<void> {
            try {
                co_await capability->start();
            } catch (const std::runtime_error& e) {
                failure = e.what();
            }
        },
        asio::detached);
    io.run();
    EXPECT_EQ(failure, "no microphone");
    EXPECT_EQ(capability->state(), VelmoraVoiceCapabilityState::failed);
}

} // namespace
} // namespace velmora
