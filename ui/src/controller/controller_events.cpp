#include "controller/widget_controller_core.hpp"

#include <boost/asio/cancellation_state.hpp>
#include <boost/asio/this_coro.hpp>

#include <type_traits>

namespace velmora {

namespace asio = boost::asio;

void detail::WidgetControllerCore::startEventSubscription() {
    if (eventTask_) {
        return; // one subscription at a time
    }
    const std::int64_t generation = eventSubscriptionGeneration_;
    eventTask_ = startTask(
        [weak = weak_from_this(), generation] { return runEventSubscription(weak, generation); });
}

asio::awaitable<void>
detail::WidgetControllerCore::runEventSubscription(std::weak_ptr<detail::WidgetControllerCore> weak,
                                                   std::int64_t generation) {
    // The loop holds the controller for as long as it runs; closing, backgrounding,
    // destroying or a session reset end it.
    const auto self = weak.lock();
    if (!self) {
        co_return;
    }
    weak.reset();
    AsyncStream<VelmoraEvent> stream;
    try {
        stream = co_await self->client_->events();
    } catch (...) {
        co_return; // the subscription has no failure of its own
    }
    for (;;) {
        std::optional<VelmoraEvent> event;
        try {
            event = co_await stream.next();
        } catch (...) {
            co_return; // cancelled
        }
        if (!event) {
            co_return; // the stream ended
        }
        const auto cancelled = (co_await asio::this_coro::cancellation_state).cancelled();
        if (cancelled != asio::cancellation_type::none || self->destroyed_ ||
            self->eventSubscriptionGeneration_ != generation) {
            co_return;
        }
        self->apply(std::move(*event));
    }
}

void detail::WidgetControllerCore::apply(VelmoraEvent event) {
    std::visit(
        [this](auto& payload) {
            using Case = std::decay_t<decltype(payload)>;
            if constexpr (std::is_same_v<Case, event::loading>) {
                publish(VelmoraWidgetProperty::loadingState, loadingState_, payload.value);
            } else if constexpr (std::is_same_v<Case, event::sessionStarted>) {
                sessionResetting_ = false;
                clearErrorUnlessPreserved();
                prepareVoiceCapabilityIfNeeded();
            } else if constexpr (std::is_same_v<Case, event::snapshot>) {
                if (sessionResetting_) {
                    return; // a transcript emptied by a reset is not refilled by the old session
                }
                // Both share the client's snapshot: nothing of the conversation is copied.
                publish(VelmoraWidgetProperty::snapshot, snapshot_,
                        std::optional<event::snapshot>(payload));
                publish(VelmoraWidgetProperty::messages, messages_,
                        std::optional<event::snapshot>(std::move(payload)));
            } else if constexpr (std::is_same_v<Case, event::messageAccepted>) {
                clearErrorUnlessPreserved();
            } else if constexpr (std::is_same_v<Case, event::error>) {
                if (mutationInFlight_) {
                    return; // the running send or retry reports its own failure
                }
                if (pendingFirstDraft_) {
                    preservesMutationError_ = true;
                }
                setError(payload.value);
            } else if constexpr (std::is_same_v<Case, event::sessionCleared>) {
                cancelHostActions();
                attachVoiceCapability(nullptr, false);
                sessionResetting_ = true;
                publish(VelmoraWidgetProperty::messages, messages_, std::nullopt);
                publish(VelmoraWidgetProperty::snapshot, snapshot_, std::nullopt);
                clearErrorUnlessPreserved();
            }
            // Host-action events on the client's stream are not the host's: the controller
            // raises its own through `onHostActionEvent`.
        },
        event);
}

} // namespace velmora
