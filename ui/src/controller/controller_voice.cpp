#include "controller/widget_controller_core.hpp"
#include "controller/work_stop.hpp"

#include <boost/asio/cancellation_state.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

// Voice is the host's: a factory it installs makes a capability once a session exists and the
// service allows voice. The controller attaches it, mirrors its state, starts, stops and mutes
// it, and stops it whenever the widget's work stops. A capability that arrives too late (the
// widget closed, or another was attached meanwhile) is stopped and dropped.

namespace velmora {

namespace asio = boost::asio;

namespace {

VelmoraError realtimeUnavailable(std::string message) {
    return VelmoraError(VelmoraErrorCode::realtimeUnavailable, std::nullopt, std::nullopt,
                        std::move(message));
}

} // namespace

void detail::WidgetControllerCore::setVoiceFactory(VelmoraVoiceFactory factory) {
    const auto self = shared_from_this();
    voiceFactory_ = std::move(factory);
    attachVoiceCapability(nullptr, false);
    prepareVoiceCapabilityIfNeeded();
}

void detail::WidgetControllerCore::attachVoiceCapability(
    std::shared_ptr<VelmoraVoiceCapability> capability, bool serverEnabled) {
    const auto self = shared_from_this();
    ++voiceOperationGeneration_;
    detail::cancelAndClear({&voiceFactoryTask_, &voiceObservationTask_, &voiceTask_});
    if (const auto previous = voiceCapability_) {
        previous->stop();
    }
    if (!serverEnabled && capability) {
        capability->stop();
    }
    voiceCapability_ = std::move(capability);
    publish(VelmoraWidgetProperty::voiceEnabledByServer, voiceEnabledByServer_, serverEnabled);
    publish(VelmoraWidgetProperty::voiceState, voiceState_,
            voiceCapability_ ? std::optional(voiceCapability_->state())
                             : std::optional<VelmoraVoiceCapabilityState>());
    startVoiceObservation();
}

} // namespace velmora

namespace velmora {

void detail::WidgetControllerCore::prepareVoiceCapabilityIfNeeded() {
    if (voiceFactoryTask_ || voiceCapability_ || destroyed_ || !isOpen_ || !isForeground_ ||
        !voiceFactory_) {
        return;
    }
    const std::int64_t generation = voiceOperationGeneration_;
    voiceFactoryTask_ =
        startTask([weak = weak_from_this(), factory = voiceFactory_, client = client_, generation] {
            return runVoiceFactory(weak, factory, client, generation);
        });
}

asio::awaitable<void> detail::WidgetControllerCore::runVoiceFactory(
    std::weak_ptr<detail::WidgetControllerCore> weak, VelmoraVoiceFactory factory,
    std::shared_ptr<VelmoraWidgetClient> client, std::int64_t generation) {
    // The controller is held weakly: the host's factory may take long.
    if (weak.expired()) {
        co_return;
    }
    bool ran = false;
    std::shared_ptr<VelmoraVoiceCapability> capability;
    std::exception_ptr failure;
    try {
        std::optional<VelmoraWidgetVoiceSettings> settings;
        if (co_await client->currentSession()) {
            settings = co_await client->currentWidgetVoiceSettings();
        }
        if (settings && settings->isAvailable()) {
            ran = true;
            capability = co_await factory(client, *settings);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    const bool cancelled =
        (co_await asio::this_coro::cancellation_state).cancelled() != asio::cancellation_type::none;
    const auto self = weak.lock();
    const bool current = self && self->voiceOperationGeneration_ == generation &&
                         !self->destroyed_ && self->isOpen_ && self->isForeground_;
    if (ran && !failure) {
        if (current && !cancelled) {
            // This task is ending by itself: attaching has no need to cancel it.
            self->voiceFactoryTask_.reset();
            self->attachVoiceCapability(std::move(capability), true);
            co_return;
        }
        if (capability) {
            capability->stop(); // too late: nobody will ever stop it otherwise
        }
    } else if (failure && !isCancellation(failure) && current) {
        self->setError(realtimeUnavailable("Voice capability could not be configured."));
    }
    if (self && self->voiceOperationGeneration_ == generation) {
        self->voiceFactoryTask_.reset();
    }
}

void detail::WidgetControllerCore::startVoiceObservation() {
    if (voiceObservationTask_ || destroyed_ || !isOpen_ || !isForeground_ ||
        !voiceEnabledByServer_ || !voiceCapability_) {
        return;
    }
    voiceObservationTask_ = startTask([weak = weak_from_this(), capability = voiceCapability_] {
        return runVoiceObservation(weak, capability);
    });
}

asio::awaitable<void> detail::WidgetControllerCore::runVoiceObservation(
    std::weak_ptr<detail::WidgetControllerCore> weak,
    std::shared_ptr<VelmoraVoiceCapability> capability) {
    auto updates = capability->stateUpdates();
    for (;;) {
        std::optional<VelmoraVoiceCapabilityState> element;
        try {
            element = co_await updates.next();
        } catch (...) {
            co_return; // cancelled
        }
        if (!element) {
            co_return; // the capability ended its updates
        }
        const auto cancelled = (co_await asio::this_coro::cancellation_state).cancelled();
        const auto self = weak.lock();
        if (!self || cancelled != asio::cancellation_type::none || self->destroyed_ ||
            !self->isOpen_ || !self->isForeground_ || self->voiceCapability_ != capability) {
            co_return;
        }
        // An element only says that the state may have changed: the state is read afresh.
        self->publish(VelmoraWidgetProperty::voiceState, self->voiceState_,
                      std::optional(capability->state()));
    }
}

void detail::WidgetControllerCore::toggleVoice() {
    const auto self = shared_from_this();
    if (destroyed_ || !isOpen_ || !isForeground_ || !voiceEnabledByServer_ || !voiceCapability_) {
        return;
    }
    const auto capability = voiceCapability_;
    const auto state = voiceState_.value_or(capability->state());
    if (state != VelmoraVoiceCapabilityState::idle &&
        state != VelmoraVoiceCapabilityState::failed) {
        ++voiceOperationGeneration_;
        if (voiceTask_) {
            voiceTask_->cancel();
            voiceTask_.reset();
        }
        capability->stop();
        publish(VelmoraWidgetProperty::voiceState, voiceState_, std::optional(capability->state()));
        return;
    }
    const std::int64_t generation = ++voiceOperationGeneration_;
    publish(VelmoraWidgetProperty::voiceState, voiceState_,
            std::optional(VelmoraVoiceCapabilityState::starting));
    voiceTask_ = startTask([weak = weak_from_this(), capability, generation] {
        return runVoiceStart(weak, capability, generation);
    });
}

asio::awaitable<void>
detail::WidgetControllerCore::runVoiceStart(std::weak_ptr<detail::WidgetControllerCore> weak,
                                            std::shared_ptr<VelmoraVoiceCapability> capability,
                                            std::int64_t generation) {
    if ((co_await asio::this_coro::cancellation_state).cancelled() !=
        asio::cancellation_type::none) {
        co_return;
    }
    std::exception_ptr failure;
    try {
        co_await capability->start(asio::use_awaitable);
    } catch (...) {
        failure = std::current_exception();
    }
    const auto self = weak.lock();
    if (!self || self->voiceOperationGeneration_ != generation || self->destroyed_ ||
        !self->isOpen_ || !self->isForeground_ || self->voiceCapability_ != capability) {
        co_return;
    }
    self->publish(VelmoraWidgetProperty::voiceState, self->voiceState_,
                  std::optional(capability->state()));
    if (failure && !isCancellation(failure)) {
        self->setError(realtimeUnavailable("Voice could not start."));
    }
}

void detail::WidgetControllerCore::setVoiceMuted(bool muted) {
    const auto self = shared_from_this();
    if (destroyed_ || !isOpen_ || !isForeground_ || !voiceEnabledByServer_ || !voiceCapability_) {
        return;
    }
    const auto capability = voiceCapability_;
    capability->setMuted(muted);
    publish(VelmoraWidgetProperty::voiceState, voiceState_, std::optional(capability->state()));
}

} // namespace velmora
