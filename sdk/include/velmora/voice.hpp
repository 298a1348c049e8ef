#pragma once

#include "velmora/async_stream.hpp"

#include <boost/asio/any_completion_handler.hpp>
#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <exception>
#include <optional>
#include <string_view>

namespace velmora {

/// What a voice capability is doing. Travels in JSON as its text form.
enum class VelmoraVoiceCapabilityState {
    idle,
    requestingPermission,
    starting,
    connecting,
    connected,
    muted,
    stopping,
    failed,
};

/// The text form of a state, e.g. "requesting-permission".
std::string_view rawValue(VelmoraVoiceCapabilityState state) noexcept;

/// The state whose text form equals `text` exactly, or nothing.
std::optional<VelmoraVoiceCapabilityState>
velmoraVoiceCapabilityStateFromRawValue(std::string_view text) noexcept;

/// A pending `start` or `bargeIn` of a voice capability. Call it exactly once, from any thread:
/// the caller's completion then runs on the caller's own executor.
class VelmoraVoiceCompletion {
public:
    using Signature = void(std::exception_ptr);

    VelmoraVoiceCompletion(boost::asio::any_completion_handler<Signature> handler,
                           boost::asio::any_io_executor executor)
        : handler_(std::move(handler)), executor_(std::move(executor)) {}

    /// Success with a null pointer, otherwise the failure.
    void operator()(std::exception_ptr error) && {
        boost::asio::post(executor_, [handler = std::move(handler_), error]() mutable {
            std::move(handler)(error);
        });
    }

private:
    boost::asio::any_completion_handler<Signature> handler_;
    boost::asio::any_io_executor executor_;
};

/// Voice conversation supplied by the host application; the system ships no implementation.
/// The widget holds the host's object through a `std::shared_ptr` and calls it from its main
/// executor; which threads an implementation uses internally is its own choice.
class VelmoraVoiceCapability {
public:
    /// Completion signature of `start` and `bargeIn`: a null pointer on success, otherwise the
    /// failure.
    using Signature = VelmoraVoiceCompletion::Signature;

    VelmoraVoiceCapability() = default;
    VelmoraVoiceCapability(const VelmoraVoiceCapability&) = delete;
    VelmoraVoiceCapability& operator=(const VelmoraVoiceCapability&) = delete;
    virtual ~VelmoraVoiceCapability() = default;

    /// The current state; may be read at any time.
    virtual VelmoraVoiceCapabilityState state() const = 0;

    /// Whether the conversation is muted.
    virtual bool isMuted() const = 0;

    /// A new subscription to the state changes from now on, delivered in order.
    virtual AsyncStream<VelmoraVoiceCapabilityState> stateUpdates() = 0;

    /// Begins the voice conversation; a failure completes with the exception.
    template <boost::asio::completion_token_for<Signature> Token = boost::asio::use_awaitable_t<>>
    auto start(Token&& token = {}) {
        return boost::asio::async_initiate<Token, Signature>(
            [this](auto handler) { initiateStart(completionFor(std::move(handler))); }, token);
    }

    /// Ends the conversation.
    virtual void stop() = 0;

    /// Mutes (true) or unmutes (false).
    virtual void setMuted(bool muted) = 0;

    /// Interrupts the assistant while it speaks.
    template <boost::asio::completion_token_for<Signature> Token = boost::asio::use_awaitable_t<>>
    auto bargeIn(Token&& token = {}) {
        return boost::asio::async_initiate<Token, Signature>(
            [this](auto handler) { initiateBargeIn(completionFor(std::move(handler))); }, token);
    }

protected:
    /// Implementations begin the operation and call the completion once when it ends.
    virtual void initiateStart(VelmoraVoiceCompletion completion) = 0;
    virtual void initiateBargeIn(VelmoraVoiceCompletion completion) = 0;

private:
    template <class Handler> static VelmoraVoiceCompletion completionFor(Handler handler) {
        boost::asio::any_io_executor executor = boost::asio::get_associated_executor(handler);
        return {boost::asio::any_completion_handler<Signature>(std::move(handler)),
                std::move(executor)};
    }
};

} // namespace velmora
